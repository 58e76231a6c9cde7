#pragma once

#include "core/record.h"
#include "link/operator.h"
#include "link/seriallayer.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace cvcfg {

class ChannelDialog;
class DF1Dialog;
class CV210Params;

// What every form works with: the one record, the serial layer and the
// person at the PC.
struct FormContext {
    ConfigRecord& record;
    SerialLayer& serial;
    Operator& op;
};

// What the editors ask of the program's shell (its main menu).
class Shell {
public:
    virtual ~Shell() = default;
    // The main menu's record and editor defaults for the current model.
    virtual void UpdateParameters() = 0;
    virtual void showMainMenu() = 0;
    // Enables and shows the editor of the current model.
    virtual void showModelEditor() = 0;
    // Ends the program at once.
    virtual void endProgram() = 0;
    // Tells the operator that a form of a later version is not available.
    virtual void notAvailable(const QString& what) = 0;
};

// The editors and the dialogs they share, one instance each, created the
// first time anything touches them. Unloading a form deletes it; the next
// touch builds it afresh in its design state.
class EditorForms {
public:
    EditorForms(FormContext context, Shell& shell);
    ~EditorForms();
    EditorForms(const EditorForms&) = delete;
    EditorForms& operator=(const EditorForms&) = delete;

    ChannelDialog& paramConfigA();
    ChannelDialog& paramConfigB();
    ChannelDialog& paramConfigC();
    DF1Dialog& df_Param();
    CV210Params& cv210Params();

    [[nodiscard]] bool cv210Loaded() const { return m_cv210 != nullptr; }
    void unloadCV210Params();

    [[nodiscard]] FormContext& context() { return m_context; }
    [[nodiscard]] ConfigRecord& record() { return m_context.record; }
    [[nodiscard]] Shell& shell() { return m_shell; }

private:
    FormContext m_context;
    Shell& m_shell;
    std::unique_ptr<ChannelDialog> m_paramConfigA;
    std::unique_ptr<ChannelDialog> m_paramConfigB;
    std::unique_ptr<ChannelDialog> m_paramConfigC;
    std::unique_ptr<DF1Dialog> m_dfParam;
    std::unique_ptr<CV210Params> m_cv210;
};

// Deletes a form once control has left its handlers: a form may be unloaded
// from one of its own buttons.
void unloadLater(QWidget* form);

} // namespace cvcfg
