// The entry point. The windows come into being in a fixed order; only the main window
// is shown. Arguments are addresses to open; a start with arguments while a frame runs
// on the same files hands them to that frame and ends.

#include "app/About.h"
#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/tmpWeb.h"
#include "bookmarks/BookMark.h"
#include "engines/EngineModule.h"
#include "engines/EngineRegistry.h"
#include "engines/UIWebBrowser.h"
#include "engines/chromium/ChromiumEngine.h"
#include "engines/webkit/WebKitEngine.h"
#include "platform/ErrorBox.h"
#include "platform/InstanceChannel.h"
#include "platform/Translations.h"
#include "resources/Fonts.h"
#include "settings/KeyTable.h"
#include "settings/Settings.h"
#include "settings/UserFolder.h"
#include "weblists/EditWebList.h"

#include <QDir>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace {

void prepareEnvironment() {
    // Chromium refuses to start as root unless its sandbox is off; keep it for others.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // Foreign (embedded) windows inside the MDI area stop Qt's own painting with the
    // default Quick backend.
    ::setenv("QT_QUICK_BACKEND", "software", 0);
}

// Start-up timing for the benchmarks, asked for by TAVIX_REPORT_STARTUP: the monotonic
// clock, which the process that started this one shares.
void reportStartupStep(const char* step) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "tavix-startup %s %.3f\n", step, now.tv_sec * 1e3 + now.tv_nsec / 1e6);
    std::fflush(stderr);
}

// A moment after the start-up, so that the first input after the paint is answered at
// once: the engine of the user's next page is then ready by the time the user has typed
// an address. The built-in engine's library loads in turns of the loop, so that input
// waits for none of it whole.
constexpr int EngineLoadDelayMs = 300;

// How long a start waits for the running frame to take its addresses.
constexpr int HandOverMs = 3000;

// The engine of the menu's choice, where the user's next page goes; not the other one.
void prepareEngineWhenIdle(const TMainForm* frame, bool report) {
    QTimer::singleShot(EngineLoadDelayMs, frame, [frame, report] {
        if (!frame->controls().IE_item->isChecked()) {
            // A host that cannot start waits for the first page, which reports it.
            WebKit::startHost();
            if (report) reportStartupStep("engine-loaded");
            return;
        }
        // The system's Chromium starts with its first page: started ahead, its hidden
        // window would take the keyboard from the user's typing for a moment when it
        // appears.
        if (Chromium::serves()) {
            if (report) reportStartupStep("engine-loaded");
            return;
        }
        // A library that cannot be loaded waits for the first page, which reports it.
        EngineModule::loadInSteps(CLASS_BuiltInWebBrowser, qApp, [report] {
            if (report) reportStartupStep("engine-loaded");
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    prepareEnvironment();
    std::setlocale(LC_ALL, "");
    // Chromium's views share one GL context; it is made when the engine's library is
    // loaded (EngineModule), not before the application, which would load the GL
    // driver before the first paint.
    TavixApplication app(argc, argv);
    // While the frame's controls are made, a second core reads the font configuration
    // their first text needs.
    const Fonts::ConfigurationLoad fontConfiguration;
    QApplication::setApplicationName(QStringLiteral("Tavix"));
    // The standard dialogs speak the user's language, Japanese where Qt has none.
    Translations::install(app);
    // The title lives in the application name only: a display name would be appended
    // to every window caption by the X11 platform.
    EngineModule::registerOnFirstUse(CLASS_BuiltInWebBrowser, QStringLiteral("libtavix-blink.so"), "tavix_blink_register",
                                     "tavix_blink_start");
    WebKit::registerEngine();

    QString filesFolder;
    if (!ErrorBox::guard([&] { filesFolder = userFilesFolder(QCoreApplication::applicationDirPath()); })) return 1;
    // The "Internet Explorer" slot: the system's Chromium unless the user chose the
    // built-in engine, asked at every new page so that a change in the options holds
    // from the next page on.
    const QString configPath = QDir(filesFolder).filePath(QStringLiteral("config.ini"));
    Chromium::registerEngine(QDir(filesFolder).filePath(QStringLiteral("Chromium")), CLASS_BuiltInWebBrowser,
                             [configPath] { return Settings(configPath).Read(Keys::IEEngine) == 0; });

    // Qt has taken its own options out of argv by now.
    const CommandLine::Request request = CommandLine::fromArgv(argc, argv);
    const QString socketName = InstanceChannel::socketName(filesFolder);
    if (!request.arguments.isEmpty() &&
        InstanceChannel::handOver(socketName, CommandLine::encode(request), HandOverMs) ==
            InstanceChannel::HandOver::Delivered)
        return 0;
    // A frame that already runs on these files (started without arguments, or one that
    // did not answer) keeps the socket; this one then only opens its own windows.
    InstanceChannel channel;
    channel.listen(socketName);
    // The host of a Gecko page the session brings back starts now, in its own process
    // beside the frame's start, rather than after the frame's first paint.
    if (TMainForm::RestoresGeckoPage(filesFolder)) WebKit::startHost();

    const bool reportStartup = qEnvironmentVariableIsSet("TAVIX_REPORT_STARTUP");
    TMainForm* mainForm = nullptr;
    ErrorBox::guard([&] { mainForm = new TMainForm(filesFolder, nullptr, TStartup::AfterFirstPaint); });
    if (!mainForm) return 1;

    // What later starts hand over waits, like this start's own arguments, until the
    // frame has started; then each comes with the frame to the front.
    bool started = false;
    QList<CommandLine::Outcome> handedOver;
    QObject::connect(&channel, &InstanceChannel::received, mainForm, [&](const QByteArray& message) {
        const std::optional<CommandLine::Request> handed = CommandLine::decode(message);
        const CommandLine::Outcome outcome =
            handed ? CommandLine::resolve(*handed)
                   : CommandLine::Outcome{{}, QStringLiteral("渡された引数を読み取れません")};
        if (!started) handedOver << outcome;
        else ErrorBox::guard([&] { mainForm->OpenFromOutside(outcome.addresses, outcome.report, true); });
    });
    QObject::connect(mainForm, &TMainForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (reportStartup)
        QObject::connect(mainForm, &TMainForm::FirstPaint, [] { reportStartupStep("first-paint"); });

    // The other windows wait until the frame has painted, in their fixed order.
    Tfrm_WebList* webListEditor = nullptr;
    QObject::connect(mainForm, &TMainForm::StartupFinished, mainForm, [&] {
        // The hidden options window only brings the "Gekko" item in line with the settings.
        ErrorBox::guard([&] { mainForm->CreateOptionWindow(false); });
        ErrorBox::guard([&] { new Tfrm_BMEdit(*mainForm->BookMarks); });
        ErrorBox::guard([] { new TAboutBox; });
        // Its browser, and with it the engine's processes, waits for a first use.
        ErrorBox::guard([] { frm_tmpWeb = new Tfrm_tmpWeb(nullptr, Tfrm_tmpWeb::Browser::OnFirstUse); });
        ErrorBox::guard([&] {
            webListEditor = new Tfrm_WebList(mainForm->AppPath);
            mainForm->setWebListEditor(webListEditor);
        });
        started = true;
        if (!request.arguments.isEmpty()) {
            const CommandLine::Outcome own = CommandLine::resolve(request);
            ErrorBox::guard([&] { mainForm->OpenFromOutside(own.addresses, own.report, false); });
        }
        for (const CommandLine::Outcome& outcome : std::exchange(handedOver, {}))
            ErrorBox::guard([&] { mainForm->OpenFromOutside(outcome.addresses, outcome.report, true); });
        if (reportStartup) reportStartupStep("startup-finished");
        prepareEngineWhenIdle(mainForm, reportStartup);
    }, Qt::SingleShotConnection);

    const int rc = app.exec();
    // The host's windows live inside ours: it must be gone before ours are destroyed.
    WebKit::shutdownHost();
    delete webListEditor;
    delete frm_tmpWeb;
    delete AboutBox;
    delete frm_BMEdit;
    delete mainForm;
    // The key hook the first IE view window installed goes with the program.
    THookApplicationMessage::release();
    return rc;
}
