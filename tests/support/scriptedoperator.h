#pragma once

#include "core/configfile.h"
#include "link/operator.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <ostream>

namespace cvcfg {

inline std::ostream& operator<<(std::ostream& os, const MessageBox& box) {
    return os << "[" << box.title << "] \"" << box.prompt << "\" buttons "
              << static_cast<int>(box.buttons) << " icon " << static_cast<int>(box.icon);
}

} // namespace cvcfg

namespace cvcfg::test {

// An operator whose every answer the test has scripted. A message it was not
// told to expect, or an expectation left over at the end, fails the test.
class ScriptedOperator : public Operator {
public:
    ~ScriptedOperator() override {
        for (const auto& [box, answer] : m_messages) {
            ADD_FAILURE() << "expected message never shown: " << box;
        }
        EXPECT_TRUE(m_saveFiles.empty()) << "expected save dialog never shown";
        EXPECT_TRUE(m_openFiles.empty()) << "expected open dialog never shown";
        EXPECT_TRUE(m_texts.empty()) << "expected text question never asked";
    }

    void expect(MessageBox box, Answer answer = Answer::Ok) {
        m_messages.emplace_back(std::move(box), answer);
    }
    void expectSaveFile(std::optional<std::string> path) { m_saveFiles.push_back(std::move(path)); }
    void expectOpenFile(std::optional<std::string> path) { m_openFiles.push_back(std::move(path)); }
    void expectText(std::optional<std::string> text) { m_texts.push_back(std::move(text)); }
    // Runs a designed interval as another, shorter one.
    void shorten(std::chrono::milliseconds designed, std::chrono::milliseconds actual) {
        m_intervals[designed.count()] = actual;
    }

    Answer showMessage(const MessageBox& box) override {
        shown.push_back(box);
        if (whileShown) {
            whileShown(box);
        }
        if (m_messages.empty()) {
            ADD_FAILURE() << "unexpected message: " << box;
            return Answer::Cancel;
        }
        const auto [expected, answer] = m_messages.front();
        m_messages.pop_front();
        EXPECT_EQ(box, expected);
        return answer;
    }
    std::optional<std::string> chooseSaveFile(const std::string& filter) override {
        saveFilters.push_back(filter);
        if (m_saveFiles.empty()) {
            ADD_FAILURE() << "unexpected save dialog";
            return std::nullopt;
        }
        auto path = m_saveFiles.front();
        m_saveFiles.pop_front();
        return path;
    }
    std::optional<std::string> chooseOpenFile(const std::string& filter,
                                              const std::string& title) override {
        openFilters.push_back(filter);
        openTitles.push_back(title);
        if (m_openFiles.empty()) {
            ADD_FAILURE() << "unexpected open dialog";
            return std::nullopt;
        }
        auto path = m_openFiles.front();
        m_openFiles.pop_front();
        return path;
    }
    std::optional<std::string> askText(const TextQuestion& question) override {
        questions.push_back(question.prompt);
        if (m_texts.empty()) {
            ADD_FAILURE() << "unexpected question: " << question.prompt;
            return std::nullopt;
        }
        auto text = m_texts.front();
        m_texts.pop_front();
        return text;
    }
    void openWebPage(const std::string& address) override { webPages.push_back(address); }
    void closeHelp() override { ++helpClosed; }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    void setBusy(bool busy) override { busyStates.push_back(busy); }
    void processEvents() override { ++eventsProcessed; }
    [[nodiscard]] std::chrono::milliseconds
    timerInterval(std::chrono::milliseconds designed) const override {
        const auto found = m_intervals.find(designed.count());
        return found == m_intervals.end() ? designed : found->second;
    }

    // Runs while a message is up, as the operator looks at the forms behind it.
    std::function<void(const MessageBox&)> whileShown;
    std::vector<MessageBox> shown;
    std::vector<std::string> statuses;
    std::vector<std::string> saveFilters;
    std::vector<std::string> openFilters;
    std::vector<std::string> openTitles;
    std::vector<std::string> webPages;
    std::vector<std::string> questions;
    int helpClosed = 0;
    std::vector<bool> busyStates;
    int eventsProcessed = 0;

private:
    std::deque<std::pair<MessageBox, Answer>> m_messages;
    std::deque<std::optional<std::string>> m_saveFiles;
    std::deque<std::optional<std::string>> m_openFiles;
    std::deque<std::optional<std::string>> m_texts;
    std::map<long long, std::chrono::milliseconds> m_intervals;
};

} // namespace cvcfg::test
