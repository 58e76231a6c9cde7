#include "shell/application.h"

#include "monitor/monitor.h"
#include "shell/forms.h"

// The pictures live in the shell library; a static library's resources are
// registered by hand.
static void registerResources() {
    Q_INIT_RESOURCE(cvcfg);
}

namespace cvcfg {

namespace {

template <typename Form> Form& touch(std::unique_ptr<Form>& form, Application& app) {
    if (!form) {
        form = std::make_unique<Form>(app);
    }
    return *form;
}

template <typename Form> void unload(std::unique_ptr<Form>& form) {
    if (form) {
        unloadLater(form.release());
    }
}

} // namespace

Application::Application(Session session, PortMap ports, std::function<void()> quit)
    : m_session(session), m_ports(std::move(ports)), m_quit(std::move(quit)),
      m_editors(session, *this) {
    registerResources();
}

Application::~Application() = default;

void Application::start() {
    welcome().show();
}

Welcome& Application::welcome() {
    return touch(m_welcome, *this);
}
About& Application::about() {
    return touch(m_about, *this);
}
MainMenu& Application::mainmenu() {
    return touch(m_mainmenu, *this);
}
ModelCV210& Application::model_CV210() {
    return touch(m_modelCV210, *this);
}
ModelCV310& Application::model_CV310() {
    return touch(m_modelCV310, *this);
}
DownloadForm& Application::download() {
    return touch(m_download, *this);
}
UploadForm& Application::upload() {
    return touch(m_upload, *this);
}

Monitor& Application::monitor() {
    if (!m_monitor) {
        m_monitor = std::make_unique<Monitor>(m_session, [this] {
            unloadMonitor();
            showMainMenu();
        });
    }
    return *m_monitor;
}

void Application::unloadMonitor() {
    unload(m_monitor);
}

void Application::unloadAbout() {
    unload(m_about);
}
void Application::unloadModelCV210() {
    unload(m_modelCV210);
}
void Application::unloadModelCV310() {
    unload(m_modelCV310);
}
void Application::unloadDownload() {
    unload(m_download);
}
void Application::unloadUpload() {
    unload(m_upload);
}

void Application::unloadMainmenu() {
    unload(m_mainmenu);
    welcome().show();
    m_session.op.closeHelp();
}

void Application::unloadModelEditor() {
    m_editors.unloadEditorFor(record().ModelName);
}

void Application::startBlankRecord() {
    ConfigRecord& record = m_session.record;
    ConfigRecord blank;
    blank.ComPort = record.ComPort;
    blank.CommStatus = record.CommStatus;
    blank.TimeoutFlag = record.TimeoutFlag;
    // Assigned in place: the forms hold references to its fields.
    record = blank;
}

void Application::UpdateParameters() {
    mainmenu().UpdateParameters();
}

void Application::showMainMenu() {
    mainmenu().show();
}

void Application::showModelEditor() {
    if (ModelEditor* editor = m_editors.editor()) {
        editor->showEditor();
    }
}

void Application::endProgram() {
    m_ended = true;
    for (QWidget* form : std::initializer_list<QWidget*>{
             m_welcome.get(), m_about.get(), m_mainmenu.get(), m_modelCV210.get(),
             m_modelCV310.get(), m_download.get(), m_upload.get(), m_monitor.get()}) {
        if (form) {
            form->hide();
        }
    }
    for (ModelEditor* editor : m_editors.loadedEditors()) {
        editor->window().hide();
    }
    m_quit();
}

} // namespace cvcfg
