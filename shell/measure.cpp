#include "shell/measure.h"

#include "core/catalogue.h"
#include "monitor/monitor.h"
#include "shell/application.h"
#include "shell/mainmenu.h"
#include "shell/qtoperator.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace cvcfg {

namespace {

void reportMeasure(const std::string& figures) {
    std::fprintf(stderr, "cvcfg-measure %s\n", figures.c_str());
    std::fflush(stderr);
}

// The resident memory of this process, in kB.
long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

class MeasureOperator : public QtOperator {
public:
    explicit MeasureOperator(std::string file) : m_file(std::move(file)) {}
    Answer showMessage(const MessageBox& box) override {
        return box.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    std::optional<std::string> chooseOpenFile(const std::string&, const std::string&) override {
        return m_file;
    }

private:
    std::string m_file;
};

// Reports the first window the program paints, with the steady clock's
// reading (the clock the benchmark started the program by) and the memory.
class FirstPaint : public QObject {
public:
    FirstPaint(bool quit, QObject* parent) : QObject(parent), m_quit(quit) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!m_seen && event->type() == QEvent::Paint && widget && widget->isWindow()) {
            m_seen = true;
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            reportMeasure(
                "first-window-ns=" +
                std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
                " window=" + widget->objectName().toStdString() +
                " rss-kB=" + std::to_string(residentKilobytes()));
            if (m_quit) {
                QTimer::singleShot(0, qApp, &QApplication::quit);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_quit;
    bool m_seen = false;
};

// Reports what the off-line manager's terminal was given to show when the
// form closes (the program's end closes every window first).
class MonitorProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            if (auto* monitor = qobject_cast<Monitor*>(watched)) {
                reportMeasure("monitor-shown-bytes=" + std::to_string(monitor->bytesShown()) +
                              " rss-kB=" + std::to_string(residentKilobytes()));
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

Expected<Measurement> Measurement::parse(const std::string& text) {
    const std::size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    std::string argument = equals == std::string::npos ? "" : text.substr(equals + 1);
    const std::pair<const char*, Kind> kinds[] = {
        {"start", Kind::Start},
        {"menu", Kind::Menu},
        {"monitor", Kind::Monitor},
        {"flash", Kind::Flash},
    };
    Measurement plan;
    bool known = false;
    for (const auto& [word, kind] : kinds) {
        if (name == word) {
            plan.m_kind = kind;
            known = true;
        }
    }
    if (plan.m_kind == Kind::Flash) {
        const std::size_t comma = argument.find(',');
        plan.m_file = comma == std::string::npos ? "" : argument.substr(comma + 1);
        argument = argument.substr(0, comma);
    }
    plan.m_variant = findVariant(argument);
    if (!known || (plan.m_kind != Kind::Start && !plan.m_variant) ||
        (plan.m_kind == Kind::Flash && plan.m_file.empty())) {
        return Expected<Measurement>::failure(
            "CVCFG_MEASURE is start, menu=VARIANT, monitor=VARIANT or flash=VARIANT,FILE, not \"" +
            text + "\"");
    }
    return plan;
}

std::unique_ptr<QtOperator> Measurement::makeOperator() const {
    return std::make_unique<MeasureOperator>(m_file);
}

std::unique_ptr<QObject> Measurement::begin(Application& app) const {
    auto probes = std::make_unique<QObject>();
    qApp->installEventFilter(new FirstPaint(m_kind == Kind::Start, probes.get()));
    if (m_kind == Kind::Start) {
        return probes;
    }
    if (const Status status = app.setUpVariant(*m_variant); !status) {
        reportMeasure("error=\"" + status.error + "\"");
        QTimer::singleShot(0, qApp, &QApplication::quit);
        return probes;
    }
    if (m_kind == Kind::Menu) {
        return probes;
    }
    app.record().ComPort = 1;
    app.mainmenu().openOffLineManager();
    app.monitor().installEventFilter(new MonitorProbe(probes.get()));
    if (m_kind == Kind::Flash) {
        // Once the terminal's start-up keystroke has called up the unit's
        // menu, the operator's keys ask it to take a system file.
        Monitor& monitor = app.monitor();
        constexpr int kMenuShown = 500;
        constexpr int kFileAwaited = 1000;
        QTimer::singleShot(kMenuShown, &monitor, [&monitor] {
            for (const char key : {'1', 'Y'}) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(key)));
                QApplication::sendEvent(monitor.term(), &press);
            }
        });
        QTimer::singleShot(kFileAwaited, &monitor, [&monitor, file = m_file] {
            monitor.cmdSendText_Click();
            reportMeasure("flash-written-bytes=" +
                          std::to_string(std::filesystem::file_size(file)));
        });
    }
    return probes;
}

} // namespace cvcfg
