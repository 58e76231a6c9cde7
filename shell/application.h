#pragma once

#include "editors/formset.h"
#include "link/portmap.h"

#include <functional>
#include <memory>

namespace cvcfg {

class Welcome;
class About;
class MainMenu;
class ModelCV210;
class ModelCV310;
class DownloadForm;
class UploadForm;
class Monitor;

// The desktop program: every form, one instance each, created the first
// time anything touches it, and the routines by which the forms reach one
// another. It starts at product selection.
class Application : public Shell {
public:
    // `quit` ends the program; `ports` tells which device each COM entry
    // stands for.
    Application(Session session, PortMap ports, std::function<void()> quit);
    ~Application() override;

    void start();

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
    [[nodiscard]] const PortMap& ports() const { return m_ports; }
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
    Session m_session;
    PortMap m_ports;
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
};

} // namespace cvcfg
