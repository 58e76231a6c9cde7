#pragma once

#include "link/session.h"
#include "monitor/terminaltext.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QLabel;

namespace Ui {
class monitor;
}

namespace cvcfg {

// The terminal screen (Term): what the unit sends, shown as it arrives;
// every key typed goes to the unit and nothing is typed locally.
class TerminalView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TerminalView(QWidget* parent = nullptr);
    // Gets the text of each key typed.
    std::function<void(const QString&)> onKey;
    void apply(const TerminalText::Edit& edit);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The monitor (the off-line manager terminal) on the port that the unit
// contact opened: terminal, line lamps, connection clock, debug mode and the
// flash system-file send. The port stays open while the form lives.
class Monitor : public QWidget {
    Q_OBJECT
public:
    // `leave` unloads the form and shows the main menu.
    Monitor(Session session, std::function<void()> leave);
    ~Monitor() override;

    [[nodiscard]] TerminalView* term() const { return m_term; }
    [[nodiscard]] QLabel* lamp(int index) const {
        return m_lamps.at(static_cast<std::size_t>(index));
    }
    [[nodiscard]] const TerminalText& text() const { return m_text; }
    // How many received bytes the terminal has been given to show.
    [[nodiscard]] std::size_t bytesShown() const { return m_bytesShown; }

    void ShowReceived(std::string_view data);
    void cmdSendText_Click();
    void cmdFreeDebug_Click();
    void cmdCancel_Click();

    // Lamp indexes: data set ready, clear to send, RTS, receive, transmit, DTR.
    enum Lamp { kDsr = 0, kCts, kRts, kRxd, kTxd, kDtr };

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTerminal();
    void buildLamps();
    void startTimers();
    void receivePoll();
    void updateLamps();
    void send(const std::string& bytes);
    void setLamp(int index, bool on);
    void showProgress(bool shown);
    void sendFile(const std::string& path);

    ConfigRecord& m_record;
    SerialLayer& m_serial;
    Operator& m_op;
    std::function<void()> m_leave;
    std::unique_ptr<Ui::monitor> m_ui;
    TerminalView* m_term = nullptr;
    std::array<QLabel*, 6> m_lamps{};
    TerminalText m_text;
    QElapsedTimer m_connectTime;
    bool m_sendCancelled = true;
    bool m_sending = false;
    std::size_t m_bytesShown = 0;

    QTimer m_statusTimer;
    QTimer m_receiveTimer;
    QTimer m_clockTimer;
    QTimer m_loadTimer;
    QTimer m_debugTimer;
};

} // namespace cvcfg
