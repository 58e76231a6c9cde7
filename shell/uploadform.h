#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class upload;
}

namespace cvcfg {

class Application;

// Uploads a unit's configuration into a file and the editor (upload).
class UploadForm : public QWidget {
    Q_OBJECT
public:
    explicit UploadForm(Application& app);
    ~UploadForm() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdUpload_Click();
    void Command1_Click();
    void setBusy(bool busy);

    Application& m_app;
    std::unique_ptr<Ui::upload> m_ui;
    bool m_transferring = false;
};

} // namespace cvcfg
