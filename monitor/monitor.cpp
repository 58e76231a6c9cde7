#include "monitor/monitor.h"

#include "ui_monitor.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTime>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cvcfg {

namespace {

constexpr int kStatusInterval = 200;
constexpr int kReceiveInterval = 10;
constexpr int kClockInterval = 1000;
constexpr int kLoadDelay = 100;
constexpr int kBreakLength = 1000;
constexpr int kReceiveLimit = 100;

constexpr std::array<const char*, 6> kLampNames = {"DSR", "CTS", "RTS", "RXD", "TXD", "DTR"};

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.c_str());
}

std::optional<std::string> readWhole(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    if (in) {
        content << in.rdbuf();
    }
    if (!in || in.bad()) {
        error = "Cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return content.str();
}

} // namespace

TerminalView::TerminalView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("Term"));
    // No caption names the screen, and its text is what the unit sent.
    setAccessibleName(QStringLiteral("Terminal"));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void TerminalView::apply(const TerminalText::Edit& edit) {
    QTextCursor cursor(document());
    if (edit.dropFront > 0) {
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor,
                            static_cast<int>(edit.dropFront));
        cursor.removeSelectedText();
    }
    cursor.movePosition(QTextCursor::End);
    if (edit.eraseBack > 0) {
        cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                            static_cast<int>(edit.eraseBack));
        cursor.removeSelectedText();
    }
    cursor.insertText(
        QString::fromLatin1(edit.append.data(), static_cast<qsizetype>(edit.append.size())));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TerminalView::keyPressEvent(QKeyEvent* event) {
    // A terminal: the key goes to the unit; what shows is only what the unit
    // sends back.
    const QString text = event->text();
    if (!text.isEmpty() && onKey) {
        onKey(text);
    }
    event->accept();
}

Monitor::Monitor(Session session, std::function<void()> leave)
    : m_record(session.record), m_serial(session.serial), m_op(session.op),
      m_leave(std::move(leave)), m_ui(std::make_unique<Ui::monitor>()) {
    m_ui->setupUi(this);
    // Status texts wrap within the form instead of widening it.
    QLabel* status = m_ui->lblMonStat;
    status->setWordWrap(true);
    status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    status->setFixedHeight(status->fontMetrics().lineSpacing() * 3);
    // The progress controls keep their place while hidden, so that a send
    // does not grow the form.
    for (QWidget* widget : std::initializer_list<QWidget*>{m_ui->ProgressBar1, m_ui->lblPercent,
                                                           m_ui->Label2, m_ui->cmdCancel}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    buildTerminal();
    buildLamps();
    m_connectTime.start();
    m_ui->cmdFreeDebug->show();
    connect(m_ui->cmdSendText, &QPushButton::clicked, this, [this] { cmdSendText_Click(); });
    connect(m_ui->cmdFreeDebug, &QPushButton::clicked, this, [this] { cmdFreeDebug_Click(); });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(m_ui->cmdEXIT, &QPushButton::clicked, this, [this] { close(); });
    if (!m_serial.isOpen(m_record.ComPort)) {
        // The contact could not open the port: say so rather than show a
        // terminal that never answers.
        QString status = QStringLiteral("The port is not open, the unit cannot be reached.");
        if (m_serial.lastError().CommErrorCode != 0) {
            status += QStringLiteral(" ") + latin1(serialErrorText(m_serial));
        }
        m_ui->lblMonStat->setText(status);
    }
    startTimers();
}

Monitor::~Monitor() = default;

void Monitor::buildTerminal() {
    m_term = new TerminalView(m_ui->termArea);
    m_term->setMinimumSize(560, 300);
    m_ui->termLayout->addWidget(m_term);
    m_term->onKey = [this](const QString& key) {
        // The line carries one byte a character; a character outside Latin-1
        // has no byte, and a NUL in its place reads as a break to the unit.
        const bool latin1 =
            std::all_of(key.begin(), key.end(), [](QChar c) { return c.unicode() <= 0xFF; });
        if (!latin1) {
            m_ui->lblMonStat->setText(
                QStringLiteral("Only Latin-1 characters can be sent to the unit; \"%1\" was "
                               "not sent.")
                    .arg(key));
            return;
        }
        send(key.toLatin1().toStdString());
    };
}

void Monitor::buildLamps() {
    for (int index = 0; index < 6; ++index) {
        auto* lamp = new QLabel(m_ui->Frame1);
        lamp->setObjectName(QStringLiteral("LED2(%1)").arg(index));
        lamp->setFixedSize(16, 16);
        lamp->setAutoFillBackground(true);
        lamp->setFrameShape(QFrame::Box);
        auto* label = new QLabel(QString::fromLatin1(kLampNames[static_cast<std::size_t>(index)]),
                                 m_ui->Frame1);
        label->setObjectName(QStringLiteral("LEDLabel(%1)").arg(index));
        m_ui->ledLayout->addWidget(lamp, 0, index, Qt::AlignHCenter);
        m_ui->ledLayout->addWidget(label, 1, index, Qt::AlignHCenter);
        m_lamps[static_cast<std::size_t>(index)] = lamp;
        setLamp(index, false);
    }
}

void Monitor::startTimers() {
    m_statusTimer.setObjectName(QStringLiteral("StatusTimer"));
    m_receiveTimer.setObjectName(QStringLiteral("tmrTime"));
    m_clockTimer.setObjectName(QStringLiteral("tmrclock"));
    m_loadTimer.setObjectName(QStringLiteral("tmrLoad"));
    m_debugTimer.setObjectName(QStringLiteral("tmrDebug"));
    connect(&m_statusTimer, &QTimer::timeout, this, [this] { updateLamps(); });
    connect(&m_receiveTimer, &QTimer::timeout, this, [this] { receivePoll(); });
    connect(&m_clockTimer, &QTimer::timeout, this, [this] {
        m_ui->lblTime->setText(QTime(0, 0)
                                   .addSecs(static_cast<int>(m_connectTime.elapsed() / 1000))
                                   .toString(QStringLiteral("hh:mm:ss")));
    });
    // The unit's menu is called up with an "M" a moment after the form opens.
    m_loadTimer.setSingleShot(true);
    connect(&m_loadTimer, &QTimer::timeout, this, [this] { send("M"); });
    m_debugTimer.setSingleShot(true);
    m_debugTimer.setTimerType(Qt::PreciseTimer); // the break lasts a second
    connect(&m_debugTimer, &QTimer::timeout, this, [this] {
        m_record.CommStatus = m_serial.CommSetLine(m_record.ComPort, 1, false);
        send("D");
        m_term->setFocus();
    });
    m_statusTimer.start(kStatusInterval);
    m_clockTimer.start(kClockInterval);
    if (m_serial.isOpen(m_record.ComPort)) {
        m_loadTimer.start(kLoadDelay);
        m_receiveTimer.start(kReceiveInterval);
    }
}

void Monitor::send(const std::string& bytes) {
    setLamp(kTxd, true);
    m_record.CommStatus = m_serial.CommWrite(m_record.ComPort, bytes);
}

void Monitor::setLamp(int index, bool on) {
    QLabel* lamp = m_lamps.at(static_cast<std::size_t>(index));
    QPalette palette = lamp->palette();
    palette.setColor(QPalette::Window, on ? QColor(255, 0, 0) : QColor(255, 255, 255));
    lamp->setPalette(palette);
}

void Monitor::receivePoll() {
    std::string data;
    const int32_t n = m_serial.CommRead(m_record.ComPort, data, kReceiveLimit);
    m_record.CommStatus = n;
    if (n > 0) {
        ShowReceived(data);
    } else if (n < 0 && m_serial.isOpen(m_record.ComPort)) {
        // The device has gone (an adapter pulled out): say so once, and stop
        // asking a port that cannot answer.
        m_receiveTimer.stop();
        m_ui->lblMonStat->setText(
            QStringLiteral("The port is gone: %1").arg(latin1(serialErrorText(m_serial))));
    }
}

void Monitor::ShowReceived(std::string_view data) {
    m_bytesShown += data.size();
    setLamp(kRxd, true);
    m_term->apply(m_text.receive(data));
}

void Monitor::updateLamps() {
    bool state = false;
    m_record.CommStatus = m_serial.CommReadCD(m_record.ComPort, 0x20, state);
    setLamp(kDsr, m_record.CommStatus == 0 && state);
    m_record.CommStatus = m_serial.CommReadCD(m_record.ComPort, 0x10, state);
    setLamp(kCts, m_record.CommStatus == 0 && state);
    // DTR and RTS are lines this program drives; their lamps show how it left them.
    const CommPortEntry& port = m_serial.entryOf(m_record.ComPort);
    setLamp(kDtr, port.IsOpen && port.Dtr);
    setLamp(kRts, port.IsOpen && port.Rts);
}

void Monitor::cmdFreeDebug_Click() {
    m_record.CommStatus = m_serial.CommSetLine(m_record.ComPort, 1, true);
    m_debugTimer.start(kBreakLength);
}

void Monitor::cmdCancel_Click() {
    m_sendCancelled = true;
    // The piece on its way may wait long for a slow or held line: drop it.
    m_serial.CommCancelWrite(m_record.ComPort);
    m_ui->lblMonStat->setText(QStringLiteral("Cancellation of file transfer to Corvane"));
    showProgress(false);
    m_term->setFocus();
}

void Monitor::showProgress(bool shown) {
    for (QWidget* widget : std::initializer_list<QWidget*>{m_ui->ProgressBar1, m_ui->lblPercent,
                                                           m_ui->Label2, m_ui->cmdCancel}) {
        widget->setVisible(shown);
    }
}

void Monitor::cmdSendText_Click() {
    const Answer answer = m_op.showMessage({"BURNING A FLASH SYSTEM FILE\r\n\nYou must first "
                                            "select the WRITE SYSTEM FILE Option in the "
                                            "CV Off-Line Manager,\r\nand Press 'Y'ES, before "
                                            "clicking the BURN SYSTEM FILE button.\r\n\n"
                                            "Has this already been done?",
                                            Buttons::YesNo, Icon::None,
                                            m_record.ModelName + " MUST be in the correct mode!!"});
    if (answer != Answer::Yes) {
        showProgress(false);
        m_term->setFocus();
        return;
    }
    while (true) {
        const std::optional<std::string> path = m_op.chooseOpenFile(
            "Flash Text Files (*.TXT)|*.txt|All Files (*.*)|*.*", "Send Flash System Text File");
        if (!path || path->empty()) {
            return;
        }
        std::error_code error;
        if (std::filesystem::exists(*path, error)) {
            sendFile(*path);
            return;
        }
        m_op.showMessage({*path + " not found!", Buttons::Ok, Icon::Exclamation, ""});
    }
}

void Monitor::sendFile(const std::string& path) {
    Ui::monitor& ui = *m_ui;
    showProgress(true);
    for (QPushButton* button : {ui.cmdSendText, ui.cmdEXIT, ui.cmdFreeDebug}) {
        button->setEnabled(false);
    }
    std::string error;
    const std::optional<std::string> file = readWhole(path, error);
    if (file) {
        ui.ProgressBar1->setRange(0, systemFileProgressMaximum(file->size()));
        ui.ProgressBar1->setValue(0);
        m_sendCancelled = false;
        m_sending = true;
        ui.lblMonStat->setText(
            QStringLiteral("Transmitting Text File - %1").arg(QString::fromStdString(path)));
        setCursor(Qt::WaitCursor);
        std::size_t sent = 0;
        int count = 0;
        for (const std::size_t piece : systemFilePieces(file->size())) {
            if (m_sendCancelled) {
                break;
            }
            // Each write lets the form's events run: Cancel Transfer, the
            // clock and the terminal's receiving go on meanwhile.
            send(file->substr(sent, piece));
            if (m_sendCancelled) {
                break; // the operator's choice, not a failure to report
            }
            if (m_record.CommStatus != static_cast<int32_t>(piece)) {
                error = serialErrorText(m_serial);
                break;
            }
            sent += piece;
            ui.ProgressBar1->setValue(++count);
            const int percent = percentSent(sent, file->size());
            if (percent < 100) {
                ui.lblPercent->setText(QStringLiteral("%1%").arg(percent));
            } else {
                ui.lblMonStat->setText(QStringLiteral("Transfer Successfull!!  NOTE!!! If no A-OK "
                                                      "appears in 15 secs, Hit <CR> to get "
                                                      "A-OK in Monitor Screen!!"));
            }
        }
        unsetCursor();
    }
    if (!error.empty()) {
        m_op.showMessage({error, Buttons::Ok, Icon::Exclamation, ""});
    }
    m_sendCancelled = true;
    ui.lblPercent->setText(QStringLiteral("100 %"));
    showProgress(false);
    for (QPushButton* button : {ui.cmdSendText, ui.cmdEXIT, ui.cmdFreeDebug}) {
        button->setEnabled(true);
    }
    // The line feed, too, may wait for the line; the port stays the send's
    // until it has gone.
    send("\n");
    m_sending = false;
    m_term->setFocus();
}

void Monitor::closeEvent(QCloseEvent* event) {
    // The port belongs to the send while one runs.
    if (m_sending) {
        event->ignore();
        return;
    }
    event->accept();
    m_receiveTimer.stop();
    m_statusTimer.stop();
    m_serial.CommClose(m_record.ComPort);
    m_leave();
}

} // namespace cvcfg
