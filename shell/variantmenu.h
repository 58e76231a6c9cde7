#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QPushButton;

namespace cvcfg {

class Application;

// What the two variant menus share: the description that follows the
// pointer over a variant's button, "Back" and the close box, and choosing a
// variant from code.
class VariantMenu : public QWidget {
    Q_OBJECT
public:
    // Runs the button of `variant` (a ModelVariant), as a click would; false
    // when the menu has no such variant.
    bool chooseVariant(std::string_view variant);

    // Puts the record where the family's product button leaves it: blank but
    // for the product and the link speed to the unit (taken by value: it may
    // come from the record being emptied).
    virtual void startRecord(std::string linkBaud) = 0;

protected:
    struct VariantButton {
        std::string_view variant;
        QPushButton* button;
        std::function<void()> handler;
    };

    explicit VariantMenu(Application& app);

    // Wires the variants' buttons, the description and "Back", once the
    // form's controls exist.
    void wireVariants(std::vector<VariantButton> variants, QLabel* description, QPushButton* back);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Unloads the menu (the menu of each family knows its own slot).
    virtual void unload() = 0;

    Application& m_app;

private:
    void Command10_Click();
    // Every variant starts from its product's start again, with the link
    // speed already answered, whatever the record holds by then.
    void runVariant(const VariantButton& variant);

    std::vector<VariantButton> m_variants;
    QLabel* m_description = nullptr;
};

} // namespace cvcfg
