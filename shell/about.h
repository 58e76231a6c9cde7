#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class about;
}

namespace cvcfg {

class Application;

// The about box (about): the program's version and the maker.
class About : public QWidget {
    Q_OBJECT
public:
    explicit About(Application& app);
    ~About() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Command1_Click();

    Application& m_app;
    std::unique_ptr<Ui::about> m_ui;
};

} // namespace cvcfg
