#pragma once

#include "link/operator.h"

#include <QString>
#include <functional>

namespace cvcfg {

// The operator of a transaction run from a form: the person answers the
// messages and dialogs, the form shows the status line and its busy state,
// and Qt handles the events meanwhile.
class FormOperator : public Operator {
public:
    FormOperator(Operator& person, std::function<void(const QString&)> status,
                 std::function<void(bool)> busy)
        : m_person(person), m_status(std::move(status)), m_busy(std::move(busy)) {}

    Answer showMessage(const MessageBox& box) override { return m_person.showMessage(box); }
    std::optional<std::string> chooseSaveFile(const std::string& filter) override {
        return m_person.chooseSaveFile(filter);
    }
    std::optional<std::string> chooseOpenFile(const std::string& filter,
                                              const std::string& title) override {
        return m_person.chooseOpenFile(filter, title);
    }
    std::optional<std::string> askText(const TextQuestion& question) override {
        return m_person.askText(question);
    }
    void setStatus(const std::string& text) override {
        if (m_status) {
            m_status(QString::fromLatin1(text.c_str()));
        }
    }
    void setBusy(bool busy) override {
        if (m_busy) {
            m_busy(busy);
        }
    }
    void processEvents() override;
    [[nodiscard]] std::chrono::milliseconds
    timerInterval(std::chrono::milliseconds designed) const override {
        return m_person.timerInterval(designed);
    }
    [[nodiscard]] FileValueView* fileValueView() override { return m_view; }
    void setFileValueView(FileValueView* view) { m_view = view; }

private:
    Operator& m_person;
    std::function<void(const QString&)> m_status;
    std::function<void(bool)> m_busy;
    FileValueView* m_view = nullptr;
};

} // namespace cvcfg
