#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class download;
}

namespace cvcfg {

class Application;

// Downloads a saved configuration file (download).
class DownloadForm : public QWidget {
    Q_OBJECT
public:
    explicit DownloadForm(Application& app);
    ~DownloadForm() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdDOWNLOAD_Click();
    void setBusy(bool busy);

    Application& m_app;
    std::unique_ptr<Ui::download> m_ui;
    bool m_transferring = false;
};

} // namespace cvcfg
