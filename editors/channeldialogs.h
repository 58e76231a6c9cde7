#pragma once

#include "editors/controls.h"
#include "editors/formset.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <memory>

namespace cvcfg {

enum class Channel { A, B, C };

// The serial options of one channel (paramConfigA, paramConfigB,
// paramConfigC): every option button sets or clears one bit of the channel's
// option byte, or of the protocol byte, at the moment it is clicked.
class ChannelDialog : public QDialog {
    Q_OBJECT
public:
    ChannelDialog(Channel channel, EditorForms& forms);
    ~ChannelDialog() override;

    [[nodiscard]] Channel channel() const { return m_channel; }

    // A control of the dialog by its name ("optNone", "frmERR", ...).
    [[nodiscard]] OptionButton* option(const char* name) const;
    [[nodiscard]] QGroupBox* frame(const char* name) const;

    // Four-wire and two-wire RS-422/485 (channels A and B). On channel B of a
    // Modbus variant they also choose the Modbus serial operation.
    void RS422ON();
    void RS485ON();

    // Shows the record's bits; the record stays as it is.
    void loadFromRecord();

    // The pop-up menu that a press on the RS422/485 button opens.
    [[nodiscard]] QMenu* lineMenu() const { return m_menu.get(); }
    // What a mouse press on the RS422/485 button does.
    void pressRs422(const QPoint& at);

    // ACCEPT: hide, and give the opening editor back to the operator.
    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindChannelBit(const char* set, const char* clear, int32_t mask);
    void bindProtocolBit(const char* set, const char* clear, int32_t mask);
    void setWiring(bool twoWire, bool withModbus);
    void showRecord(int32_t value, int32_t protocol);

    Channel m_channel;
    EditorForms& m_forms;
    int32_t& m_field; // the channel's option byte in the record
    std::unique_ptr<QMenu> m_menu;
    int32_t m_errorMask = 0;
    int32_t m_protocolMask = 0;
};

// The DF1 protocol options (df_Param), all bits of ProtoParams.
class DF1Dialog : public QDialog {
    Q_OBJECT
public:
    explicit DF1Dialog(EditorForms& forms);
    ~DF1Dialog() override;

    [[nodiscard]] OptionButton* option(const char* name) const;
    [[nodiscard]] QGroupBox* frame(const char* name) const;
    [[nodiscard]] QLabel* label(const char* name) const;

    // Shows the record's bits; the record stays as it is.
    void loadFromRecord();

    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void bindProtocolBit(const char* set, const char* clear, int32_t mask);

    EditorForms& m_forms;
};

} // namespace cvcfg
