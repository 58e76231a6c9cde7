#pragma once

#include <QDate>
#include <QWidget>
#include <memory>
#include <string_view>

namespace Ui {
class Welcome;
}

namespace cvcfg {

class Application;

// The text the product-selection caption gets for a date: "December.05, 26".
[[nodiscard]] QString welcomeDateText(const QDate& date);

// Product selection (Welcome), where the program starts.
class Welcome : public QWidget {
    Q_OBJECT
public:
    explicit Welcome(Application& app);
    ~Welcome() override;

    // Runs the button of the product whose ModelName is `model`, as a click
    // would; false when no button starts that product.
    bool startProduct(std::string_view model);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void SetupMEparams();
    void UpdateCVPCI_Parameters();

    Application& m_app;
    std::unique_ptr<Ui::Welcome> m_ui;
};

} // namespace cvcfg
