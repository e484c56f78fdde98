// qor-editor: a small rich-text editor whose menus take their shortcuts
// from the Key Bindings preference pane; it keeps its documents as ".qordoc"
// and opens and saves any other file as plain text.
//
//   qor-editor [--help] [--version]
//   qor-editor [FILE] [--preferences PANE] [--dump-state FILE] [--screenshot FILE]
//              [--resources DIR] [--plugins DIR] [--defaults FILE]
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include "host_editor.h"
#include "qor/plist_file.h"
#include "state_dump.h"

namespace {

// Shared with the keybindings tool, which edits the same file.
constexpr const char* kDefaultsFolder = "qor";
constexpr const char* kDefaultsFile = "defaults.plist";
// Long enough for the windows to be shown and the pane's delayed redisplay to have run.
constexpr int kScreenshotDelayMs = 1500;

QString besideExecutable(const char* relative) {
  return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(relative);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName("qor-editor");
  QCoreApplication::setApplicationVersion(QOR_EDITOR_VERSION);
  // The options are read before the GUI starts, so that --help and --version
  // need no display; a plain application object gives the program's folder
  // the defaults are made from.
  auto core = std::make_unique<QCoreApplication>(argc, argv);

  QCommandLineParser parser;
  parser.setApplicationDescription("A rich-text editor with configurable key bindings.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument("file", "The document (.qordoc) or text file to open.", "[file]");
  QCommandLineOption preferences("preferences", "Open the preferences window on PANE (\"KeyBindings\", \"General\").",
                                 "pane");
  QCommandLineOption dump("dump-state",
                          "Write the editor's state to FILE once started, at each SIGUSR1 and at exit.", "file");
  QCommandLineOption screenshot("screenshot", "Save a picture of the screen to FILE once shown, then quit.", "file");
  QCommandLineOption resources("resources", "The editor's resources.", "dir",
                               besideExecutable("../share/qor-editor"));
  QCommandLineOption plugins("plugins", "The plug-ins folder.", "dir", besideExecutable("../lib/qor-editor/plugins"));
  QCommandLineOption defaults(
      "defaults", "The defaults file.", "file",
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + kDefaultsFolder + "/" +
          kDefaultsFile);
  parser.addOptions({preferences, dump, screenshot, resources, plugins, defaults});
  // Other options wait for the full check below, once the GUI application has
  // taken out its own (-platform, -style...).
  (void)parser.parse(core->arguments());
  // Both print and exit.
  if (parser.isSet(version)) parser.showVersion();
  if (parser.isSet(help)) parser.showHelp();
  core.reset();

  QApplication application(argc, argv);
  QApplication::setApplicationDisplayName("QOR Editor");
  parser.process(application);

  const QString defaultsPath = parser.value(defaults);
  QDir().mkpath(QFileInfo(defaultsPath).absolutePath());
  qor::HostEditor host({parser.value(resources).toStdString(), parser.value(plugins).toStdString(),
                        defaultsPath.toStdString()});
  if (!host.start()) {
    std::fprintf(stderr, "qor-editor: cannot start: the resources in %s are missing or broken\n",
                 qPrintable(parser.value(resources)));
    return 1;
  }
  if (!parser.positionalArguments().isEmpty()) host.window().openFile(parser.positionalArguments().first());
  if (parser.isSet(preferences)) host.showPreferences(parser.value(preferences).toStdString());

  const std::string dumpPath = parser.value(dump).toStdString();
  auto writeDump = [&] {
    if (!qor::writePropertyListFile(qor::describeHost(host), dumpPath))
      std::fprintf(stderr, "qor-editor: cannot write %s\n", dumpPath.c_str());
  };
  std::unique_ptr<qor::DumpSignal> dumpSignal;
  if (!dumpPath.empty()) {
    dumpSignal = std::make_unique<qor::DumpSignal>(writeDump);
    // The first state, once the windows are up, tells a watcher that SIGUSR1 is caught.
    QTimer::singleShot(0, &application, writeDump);
  }

  if (parser.isSet(screenshot)) {
    const QString picture = parser.value(screenshot);
    QTimer::singleShot(kScreenshotDelayMs, &application, [picture] {
      QScreen* screen = QGuiApplication::primaryScreen();
      if (screen && screen->grabWindow(0).save(picture)) {
        std::printf("qor-editor: screenshot saved to %s\n", qPrintable(picture));
      } else {
        std::fprintf(stderr, "qor-editor: cannot save a screenshot to %s\n", qPrintable(picture));
      }
      QCoreApplication::quit();
    });
  }

  const int status = application.exec();
  // The panes go first, so the final state shows what they left behind.
  host.closePreferences();
  if (!dumpPath.empty()) writeDump();
  return status;
}
