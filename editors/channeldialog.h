#pragma once

#include "editors/controls.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <memory>
#include <vector>

namespace cvcfg {

class Dialogs;

enum class Channel { A, B, C };

// The serial options of one channel (paramConfigA, paramConfigB,
// paramConfigC): every option button sets or clears one bit of the channel's
// option byte, or of the protocol byte, at the moment it is chosen. The
// record is the dialog's only state.
class ChannelDialog : public QDialog {
    Q_OBJECT
public:
    ChannelDialog(Channel channel, Dialogs& dialogs);
    ~ChannelDialog() override;

    [[nodiscard]] Channel channel() const { return m_channel; }

    // Shows the record's bits; runs no handler and changes nothing.
    void showRecord();

    // Selects the start options (NONE, 8, 1, IGNORE; on channels A and B
    // also RS-232C, BCC and Full Duplex); each handler runs, also for a
    // button that is selected already.
    void chooseStartOptions();

    // What an opening editor sets for its mode.
    void showSerialConnection(bool visible);
    void showErrorChecking(bool visible);
    void showProtocolChoice(bool visible);
    void enableHandshaking(bool enabled);

    // Four-wire and two-wire RS-422/485 (channels A and B). On channel B they
    // also choose the Modbus serial operation where the unit has one.
    void RS422ON();
    void RS485ON();

    // ACCEPT: hide, and give the opening editor back to the operator.
    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Controls;

    void opt232_Click();
    void opt422_Click();
    void opt422_ClickSelected();
    void optHD_DblClick();
    void setWiring(bool twoWire);
    void followWiring(bool twoWire);

    Channel m_channel;
    Dialogs& m_dialogs;
    int32_t& m_field; // the channel's option byte in the record
    std::unique_ptr<Controls> m_controls;
    std::vector<BitOption> m_bits;
    QMenu* m_menu = nullptr;
};

} // namespace cvcfg
