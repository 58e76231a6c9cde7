#pragma once

#include "editors/formset.h"
#include "editors/shell.h"
#include "link/portmap.h"
#include "shell/portlist.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace cvcfg {

class Welcome;
class About;
class MainMenu;
class ModelCV210;
class ModelCV310;
class DownloadForm;
class UploadForm;
class Monitor;
class ChooseVariant;
struct Variant;

// The person at the PC as the forms reach them, with one difference: the
// open-file dialog that follows a file named when the program starts is
// answered with that file, so that the editor's own Open opens it.
class StartOperator : public Operator {
public:
    explicit StartOperator(Operator& person) : m_person(person) {}

    // The next open-file dialog gives `path` without asking.
    void answerNextOpenFile(std::string path) { m_openFile = std::move(path); }
    void forgetOpenFile() { m_openFile.reset(); }

    Answer showMessage(const MessageBox& box) override { return m_person.showMessage(box); }
    std::optional<std::string> chooseSaveFile(const std::string& filter) override {
        return m_person.chooseSaveFile(filter);
    }
    std::optional<std::string> chooseOpenFile(const std::string& filter,
                                              const std::string& title) override {
        if (m_openFile) {
            return std::exchange(m_openFile, std::nullopt);
        }
        return m_person.chooseOpenFile(filter, title);
    }
    std::optional<std::string> askText(const TextQuestion& question) override {
        return m_person.askText(question);
    }
    void openWebPage(const std::string& address) override { m_person.openWebPage(address); }
    void closeHelp() override { m_person.closeHelp(); }
    void setStatus(const std::string& text) override { m_person.setStatus(text); }
    void setBusy(bool busy) override { m_person.setBusy(busy); }
    void processEvents() override { m_person.processEvents(); }
    [[nodiscard]] std::chrono::milliseconds
    timerInterval(std::chrono::milliseconds designed) const override {
        return m_person.timerInterval(designed);
    }
    [[nodiscard]] FileValueView* fileValueView() override { return m_person.fileValueView(); }

private:
    Operator& m_person;
    std::optional<std::string> m_openFile;
};

// The desktop program: every form, one instance each, created the first
// time anything touches it, and the routines by which the forms reach one
// another. It starts at product selection.
class Application : public Shell {
public:
    // `quit` ends the program; `ports` tells which device each COM entry
    // stands for.
    Application(Session session, PortList& ports, std::function<void()> quit);
    // With only the ports of a fixed map: nothing looked for, nothing kept.
    Application(Session session, PortMap ports, std::function<void()> quit);
    ~Application() override;

    void start();

    // Starts at product selection and opens the configuration file `path`
    // in the editor of the variant it is for: the variant its layout names,
    // or the one the operator chooses among those it fits. A file that
    // cannot be read, or fits no variant, is reported and the program goes
    // on at product selection.
    void startWithFile(const std::string& path);
    // Clicks the product's button, then the variant's on its family's menu,
    // as the operator does.
    Status setUpVariant(const Variant& row);
    // Sets `variant` up as its menus do, shows its editor and opens `path`
    // there by the editor's own Open.
    void openFileAs(const std::string& path, const Variant& variant);
    void unloadChooseVariant();

    Welcome& welcome();
    About& about();
    MainMenu& mainmenu();
    ModelCV210& model_CV210();
    ModelCV310& model_CV310();
    DownloadForm& download();
    UploadForm& upload();
    Monitor& monitor();
    EditorForms& editors() { return m_editors; }

    [[nodiscard]] bool mainmenuLoaded() const { return m_mainmenu != nullptr; }
    [[nodiscard]] bool modelCV210Loaded() const { return m_modelCV210 != nullptr; }

    void unloadAbout();
    void unloadModelCV210();
    void unloadModelCV310();
    void unloadDownload();
    void unloadUpload();
    void unloadMonitor();
    [[nodiscard]] bool monitorLoaded() const { return m_monitor != nullptr; }
    // Unloading the main menu shows product selection and closes help.
    void unloadMainmenu();
    // Unloads the editor of the current model.
    void unloadModelEditor();

    // Empties the record for a product about to be chosen, so that nothing
    // an earlier product left reaches a unit whose forms cannot show it. The
    // port the operator chose and the serial layer's last word stay.
    void startBlankRecord();

    [[nodiscard]] Session& session() { return m_session; }
    [[nodiscard]] ConfigRecord& record() { return m_session.record; }
    [[nodiscard]] PortList& ports() { return m_ports; }
    [[nodiscard]] bool ended() const { return m_ended; }

    // The COM port on which a simulated unit stands in for a real one (0: none).
    void setSimulatedPort(int port) { m_simulatedPort = port; }
    [[nodiscard]] int simulatedPort() const { return m_simulatedPort; }

    // Shell
    void UpdateParameters() override;
    void showMainMenu() override;
    void showModelEditor() override;
    void endProgram() override;

private:
    Application(Session session, std::unique_ptr<PortList> ports, std::function<void()> quit);

    StartOperator m_operator;
    Session m_session;
    std::unique_ptr<PortList> m_ownPorts;
    PortList& m_ports;
    int m_simulatedPort = 0;
    std::function<void()> m_quit;
    bool m_ended = false;
    EditorForms m_editors;
    std::unique_ptr<Welcome> m_welcome;
    std::unique_ptr<About> m_about;
    std::unique_ptr<MainMenu> m_mainmenu;
    std::unique_ptr<ModelCV210> m_modelCV210;
    std::unique_ptr<ModelCV310> m_modelCV310;
    std::unique_ptr<DownloadForm> m_download;
    std::unique_ptr<UploadForm> m_upload;
    std::unique_ptr<Monitor> m_monitor;
    std::unique_ptr<ChooseVariant> m_chooseVariant;
};

} // namespace cvcfg
