#include "editors/formset.h"

#include "editors/channeldialogs.h"
#include "editors/cv210params.h"

namespace cvcfg {

namespace {

template <typename Form, typename... Args>
Form& touch(std::unique_ptr<Form>& form, Args&&... args) {
    if (!form) {
        form = std::make_unique<Form>(std::forward<Args>(args)...);
    }
    return *form;
}

} // namespace

void unloadLater(QWidget* form) {
    form->hide();
    form->deleteLater();
}

EditorForms::EditorForms(FormContext context, Shell& shell) : m_context(context), m_shell(shell) {}

EditorForms::~EditorForms() = default;

ChannelDialog& EditorForms::paramConfigA() {
    return touch(m_paramConfigA, Channel::A, *this);
}
ChannelDialog& EditorForms::paramConfigB() {
    return touch(m_paramConfigB, Channel::B, *this);
}
ChannelDialog& EditorForms::paramConfigC() {
    return touch(m_paramConfigC, Channel::C, *this);
}
DF1Dialog& EditorForms::df_Param() {
    return touch(m_dfParam, *this);
}
CV210Params& EditorForms::cv210Params() {
    return touch(m_cv210, *this);
}

void EditorForms::unloadCV210Params() {
    if (m_cv210) {
        unloadLater(m_cv210.release());
    }
}

} // namespace cvcfg
