// A product or variant chosen from the menus starts from its own record,
// whatever was chosen and changed before in the same run.
#include "core/catalogue.h"
#include "shell/headless.h"
#include "tests/shell/bench.h"
#include "tests/support/pty.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace cvcfg {
namespace {

using test::click;
using test::settle;
using test::ShellBench;

// A variant as the operator chooses it: the CV210's at either link speed.
struct Choice {
    const Variant* row;
    bool fastLink;

    [[nodiscard]] std::string name() const {
        return std::string(row->name) + (fastLink ? " at 19200" : " at 9600");
    }
    [[nodiscard]] std::string linkBaud() const { return fastLink ? "19200" : "9600"; }
};

std::vector<Choice> allChoices() {
    std::vector<Choice> choices;
    for (const Variant& row : catalogue()) {
        choices.push_back({&row, false});
        if (row.ModelName == "CV210") {
            choices.push_back({&row, true});
        }
    }
    return choices;
}

// A closed walk that takes every ordered pair of the n nodes, a node after
// itself too, exactly once: each step is the second choice of one pair and
// the first of the next.
std::vector<int> everyPairOnce(int n) {
    std::vector<int> nextTarget(static_cast<std::size_t>(n), 0);
    std::vector<int> path{0};
    std::vector<int> walk;
    while (!path.empty()) {
        int& target = nextTarget[static_cast<std::size_t>(path.back())];
        if (target < n) {
            path.push_back(target++);
        } else {
            walk.push_back(path.back());
            path.pop_back();
        }
    }
    std::reverse(walk.begin(), walk.end());
    return walk;
}

std::string shown(const std::string& text) {
    std::ostringstream out;
    out << '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out << c;
        } else {
            out << "\\" << static_cast<int>(byte);
        }
    }
    out << '"';
    return out.str();
}

std::string shown(long long value) {
    return std::to_string(value);
}

// The first field, in record order, in which `got` differs from `want`.
class FirstDifference {
public:
    FirstDifference(const ConfigRecord& got, const ConfigRecord& want) {
        field("ModelName", got.ModelName, want.ModelName);
        field("ModelVariant", got.ModelVariant, want.ModelVariant);
        field("ConfigLength", got.ConfigLength, want.ConfigLength);
        field("BridgeCaption", got.BridgeCaption, want.BridgeCaption);
        field("NetworkName", got.NetworkName, want.NetworkName);
        field("LinkBaud", got.LinkBaud, want.LinkBaud);
        field("ComPort", got.ComPort, want.ComPort);
        field("CommStatus", got.CommStatus, want.CommStatus);
        field("TimeoutFlag", got.TimeoutFlag, want.TimeoutFlag);
        field("AppCode", got.AppCode, want.AppCode);
        field("NetType", got.NetType, want.NetType);
        field("StationNo", got.StationNo, want.StationNo);
        field("HighAddress", got.HighAddress, want.HighAddress);
        field("NetSpeed", got.NetSpeed, want.NetSpeed);
        field("CHAParams", got.CHAParams, want.CHAParams);
        field("CHBSpeed", got.CHBSpeed, want.CHBSpeed);
        field("CHBParams", got.CHBParams, want.CHBParams);
        field("CHCSpeed", got.CHCSpeed, want.CHCSpeed);
        field("CHCParams", got.CHCParams, want.CHCParams);
        field("ProtoParams", got.ProtoParams, want.ProtoParams);
        field("ModeBytes", got.ModeBytes, want.ModeBytes);
        field("NumText1", got.NumText1, want.NumText1);
        field("NumText2", got.NumText2, want.NumText2);
        field("AuxChar", got.AuxChar, want.AuxChar);
        field("AuxValue", got.AuxValue, want.AuxValue);
        for (std::size_t i = 0; i < got.ExtParams.size(); ++i) {
            field("ExtParams(" + std::to_string(i) + ")", got.ExtParams[i], want.ExtParams[i]);
        }
    }

    [[nodiscard]] const std::string& text() const { return m_text; }

private:
    template <typename T> void field(const std::string& name, const T& got, const T& want) {
        if (!m_text.empty() || got == want) {
            return;
        }
        if constexpr (std::is_same_v<T, std::string>) {
            m_text = name + " is " + shown(got) + ", cvcfg new gives " + shown(want);
        } else {
            m_text = name + " is " + shown(static_cast<long long>(got)) + ", cvcfg new gives " +
                     shown(static_cast<long long>(want));
        }
    }

    std::string m_text;
};

// How the operator left the earlier variant for product selection.
enum class WayBack {
    ReturnToProductSelection,
    MainMenuCloseBox,
    // Return to product selection, and at the next product with variants
    // go back once from its variant form before choosing.
    VariantFormBack,
};

// One program through which the operator chooses variant after variant.
class ProgramRun {
public:
    explicit ProgramRun(PortMap ports) : m_bench(ports) {}

    ShellBench& bench() { return m_bench; }

    // Chooses the variant through the product button and its variant form.
    void choose(const Choice& choice, WayBack previousWay) {
        const Variant& row = *choice.row;
        if (row.ModelName == "CV210") {
            const auto product = [&] {
                op().expect(test::kSerialNumberQuestion,
                            choice.fastLink ? Answer::Yes : Answer::No);
                click(m_bench.welcome(), "Command4");
            };
            product();
            if (previousWay == WayBack::VariantFormBack) {
                click(&m_bench.app.model_CV210(), "Command10");
                settle();
                product();
            }
            if (row.ModelVariant == "CV210-MODBUS" && !choice.fastLink) {
                op().expect(test::kModbusWarning);
            }
            click(&m_bench.app.model_CV210(), test::variantButton(row.ModelVariant));
        } else if (row.ModelName == "CV310") {
            click(m_bench.welcome(), "Command5");
            if (previousWay == WayBack::VariantFormBack) {
                click(&m_bench.app.model_CV310(), "Command10");
                settle();
                click(m_bench.welcome(), "Command5");
            }
            click(&m_bench.app.model_CV310(), test::cv310VariantButton(row.ModelVariant));
        } else {
            m_bench.setUp(row.name);
        }
        settle();
    }

    // Changes what the editor and the dialogs it opens offer, as the operator
    // does: every option and box not chosen yet, the last entry of every list.
    void changeEverything() {
        click(m_bench.menu(), "cmdUpdate");
        QWidget* editor = m_bench.editor();
        flipOptions(editor);
        pickLastEntries(editor);
        for (const char* opener : {"cmdCHA", "Command3", "cmdAsyncC", "cmdProtParam", "cmdModBus",
                                   "cmdASCII", "cmdRioBt", "cmdDF1Param"}) {
            auto* button = editor->findChild<QPushButton*>(QString::fromLatin1(opener));
            if (!button || !button->isVisible() || !button->isEnabled()) {
                continue;
            }
            click(button);
            QDialog* dialog = openDialog();
            ASSERT_NE(dialog, nullptr) << opener << " opened no dialog";
            flipOptions(dialog);
            pickLastEntries(dialog);
            click(dialog, acceptButton(dialog));
            settle();
        }
        click(m_bench.editor(), "cmdRETURN");
        settle();
    }

    // Leaves the variant for product selection.
    void leave(WayBack way) {
        if (way == WayBack::MainMenuCloseBox) {
            m_bench.menu()->close();
        } else {
            click(m_bench.menu(), "Command2");
        }
        settle();
    }

    test::ScriptedOperator& op() { return m_bench.op(); }

private:
    // Selects each option button and check box not selected yet (but the
    // wiring buttons, whose menu would take the mouse).
    static void flipOptions(QWidget* form) {
        std::vector<QAbstractButton*> options;
        for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
            const bool option =
                qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button);
            if (option && !button->isChecked() && button->objectName() != "opt422") {
                options.push_back(button);
            }
        }
        for (QAbstractButton* button : options) {
            if (button->isVisible() && button->isEnabled() && !button->isChecked()) {
                click(button);
            }
        }
    }

    static void pickLastEntries(QWidget* form) {
        for (QComboBox* list : form->findChildren<QComboBox*>()) {
            if (list->isVisible() && list->isEnabled() && list->count() > 1 &&
                list->currentIndex() != list->count() - 1) {
                test::pickEntry(list, list->itemText(list->count() - 1));
            }
        }
    }

    static QDialog* openDialog() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }

    static const char* acceptButton(const QDialog* dialog) {
        const std::string name = dialog->objectName().toStdString();
        return name.starts_with("paramConfig") || name == "modbus_prot" ? "Command2" : "cmdAccept";
    }

    ShellBench m_bench;
};

// Every parameter of the unit a value no set-up gives, as a file of another
// unit would leave them.
void overwriteParameters(ConfigRecord& record) {
    const ConfigRecord other = test::distinctRecord("CV210-KFR");
    record.NetworkName = "DH485";
    record.AppCode = charField(0x55);
    record.NetType = other.NetType;
    record.StationNo = other.StationNo;
    record.HighAddress = other.HighAddress;
    record.NetSpeed = other.NetSpeed;
    record.CHAParams = other.CHAParams;
    record.CHBSpeed = other.CHBSpeed;
    record.CHBParams = other.CHBParams;
    record.CHCSpeed = other.CHCSpeed;
    record.CHCParams = other.CHCParams;
    record.ProtoParams = other.ProtoParams;
    record.ModeBytes = other.ModeBytes;
    record.NumText1 = other.NumText1;
    record.NumText2 = other.NumText2;
    record.AuxChar = other.AuxChar;
    record.AuxValue = other.AuxValue;
    record.ExtParams = other.ExtParams;
}

TEST(FreshStart, EveryVariantAfterEveryOtherLeavesTheRecordOfCvcfgNew) {
    test::PtyPair pty;
    PortMap ports;
    ASSERT_TRUE(ports.addMapping("1=" + pty.slavePath()).ok());

    const std::vector<Choice> choices = allChoices();
    std::map<std::string, ConfigRecord> factory;
    for (const Choice& choice : choices) {
        const Expected<ConfigRecord> record =
            factorySettings(std::string(choice.row->name), choice.linkBaud());
        ASSERT_TRUE(record.ok()) << choice.name() << ": " << record.error();
        factory[choice.name()] = *record;
    }

    ProgramRun run(ports);
    ShellBench& bench = run.bench();
    const std::vector<int> walk = everyPairOnce(static_cast<int>(choices.size()));
    const std::set<std::pair<int, int>> pairs = [&walk] {
        std::set<std::pair<int, int>> taken;
        for (std::size_t step = 1; step < walk.size(); ++step) {
            taken.emplace(walk[step - 1], walk[step]);
        }
        return taken;
    }();
    ASSERT_EQ(walk.size(), choices.size() * choices.size() + 1);
    ASSERT_EQ(pairs.size(), choices.size() * choices.size());
    std::string earlier = "the program's start";
    WayBack way = WayBack::ReturnToProductSelection;
    for (std::size_t step = 0; step < walk.size(); ++step) {
        const Choice& choice = choices[static_cast<std::size_t>(walk[step])];
        const ConfigRecord before = bench.record();
        run.choose(choice, way);
        ASSERT_TRUE(bench.menu()->isVisible()) << choice.name() << " after " << earlier;

        // The port and what the serial layer said stay; the card keeps the
        // variant an earlier product named, having none of its own.
        ConfigRecord expected = factory[choice.name()];
        expected.ComPort = before.ComPort;
        expected.CommStatus = before.CommStatus;
        expected.TimeoutFlag = before.TimeoutFlag;
        if (choice.row->ModelName == "CV-PCI") {
            expected.ModelVariant = before.ModelVariant;
        }
        const FirstDifference difference(bench.record(), expected);
        EXPECT_EQ(difference.text(), "") << choice.name() << " after " << earlier;

        if (step == 0) {
            test::pickPort(bench.menu(), 1);
            ASSERT_EQ(bench.record().ComPort, 1);
        }
        // Leftovers of this variant, for the next one to start without.
        run.changeEverything();
        EXPECT_NE(FirstDifference(bench.record(), expected).text(), "")
            << "the changes to " << choice.name() << " reached no field";
        if (step % 2 == 1) {
            overwriteParameters(bench.record());
        }
        way = static_cast<WayBack>(step % 3);
        run.leave(way);
        ASSERT_TRUE(bench.welcome()->isVisible()) << "after " << choice.name();
        earlier = choice.name();
    }
}

} // namespace
} // namespace cvcfg
