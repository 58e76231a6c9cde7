#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace cvcfg {

class Application;
struct Variant;

// Asks which product and variant a configuration file named at start is
// for, offering only those whose files have its layout (ChooseVariant).
// Open sets the chosen variant up and opens the file in its editor; Cancel
// and the close box go on at product selection.
class ChooseVariant : public QWidget {
    Q_OBJECT
public:
    ChooseVariant(Application& app, std::string path, std::vector<const Variant*> variants);
    ~ChooseVariant() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdOpen_Click();
    void cmdCancel_Click();

    Application& m_app;
    std::string m_path;
    std::vector<const Variant*> m_variants;
    QListWidget* m_lstVariants;
    QPushButton* m_cmdOpen;
};

} // namespace cvcfg
