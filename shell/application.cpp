#include "shell/application.h"

#include "core/catalogue.h"
#include "core/filelayout.h"
#include "monitor/monitor.h"
#include "shell/about.h"
#include "shell/choosevariant.h"
#include "shell/downloadform.h"
#include "shell/mainmenu.h"
#include "shell/modelcv210.h"
#include "shell/modelcv310.h"
#include "shell/uploadform.h"
#include "shell/welcome.h"

#include <QAction>
#include <QMenu>

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

Application::Application(Session session, PortList& ports, std::function<void()> quit)
    : m_operator(session.op), m_session{session.record, session.serial, m_operator}, m_ports(ports),
      m_quit(std::move(quit)), m_editors(m_session, *this) {
    registerResources();
}

Application::Application(Session session, PortMap ports, std::function<void()> quit)
    : Application(session, std::make_unique<PortList>(std::move(ports)), std::move(quit)) {}

Application::Application(Session session, std::unique_ptr<PortList> ports,
                         std::function<void()> quit)
    : Application(session, *ports, std::move(quit)) {
    m_ownPorts = std::move(ports);
}

Application::~Application() = default;

void Application::start() {
    welcome().show();
}

void Application::startWithFile(const std::string& path) {
    start();
    const Expected<std::vector<const Variant*>> fitting = variantsFittingFileAt(path);
    if (!fitting) {
        m_session.op.showMessage({fitting.error(), Buttons::Ok, Icon::Exclamation,
                                  "Open Corvane Configuration Settings"});
        return;
    }
    if (fitting->size() == 1) {
        openFileAs(path, *fitting->front());
        return;
    }
    welcome().hide();
    m_chooseVariant = std::make_unique<ChooseVariant>(*this, path, *fitting);
    m_chooseVariant->show();
}

Status Application::setUpVariant(const Variant& row) {
    welcome().startProduct(row.ModelName);
    VariantMenu* menu = nullptr;
    switch (row.family().variantForm) {
    case VariantForm::ModelCV210:
        menu = &model_CV210();
        break;
    case VariantForm::ModelCV310:
        menu = &model_CV310();
        break;
    case VariantForm::None:
        break;
    }
    if (menu && !menu->chooseVariant(row.ModelVariant)) {
        return Status::failure("no " + std::string(row.ModelName) + " variant \"" +
                               std::string(row.ModelVariant) + "\"");
    }
    return Status::success();
}

void Application::openFileAs(const std::string& path, const Variant& variant) {
    if (const Status status = setUpVariant(variant); !status) {
        m_session.op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Open Corvane Configuration Settings"});
        welcome().show();
        return;
    }
    // As "Configure/Open File" on the main menu, then the editor's Open.
    mainmenu().hide();
    mainmenu().OpenModelEditor();
    ModelEditor* editor = m_editors.editor();
    auto* menu = editor ? editor->window().findChild<QMenu*>(QStringLiteral("file_menu")) : nullptr;
    if (!menu) {
        return;
    }
    for (QAction* action : menu->actions()) {
        // The CV-PCI editor calls its item "open", the others "open_file".
        if (action->objectName() == QLatin1String("open_file") ||
            action->objectName() == QLatin1String("open")) {
            m_operator.answerNextOpenFile(path);
            action->trigger();
            m_operator.forgetOpenFile();
            return;
        }
    }
}

void Application::unloadChooseVariant() {
    unload(m_chooseVariant);
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
    for (QWidget* form :
         std::initializer_list<QWidget*>{m_welcome.get(), m_about.get(), m_mainmenu.get(),
                                         m_modelCV210.get(), m_modelCV310.get(), m_download.get(),
                                         m_upload.get(), m_monitor.get(), m_chooseVariant.get()}) {
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
