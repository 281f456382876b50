// An installed copy: `cmake --install` into a prefix of its own, the files it holds, the
// desktop's validators on them, and the programs started from another folder as a desktop
// starts them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct TRun {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string output;
};

std::string Slurp(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// The environment of this process less the variables named, plus `extra`.
std::vector<std::string> Environment(const std::vector<std::string>& drop,
                                     const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool dropped = false;
    for (const std::string& name : drop) dropped |= entry.rfind(name, 0) == 0;
    if (!dropped) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

// A program looked up on the PATH that `env` gives.
std::string OnPath(const std::string& name, const std::vector<std::string>& env) {
  if (name.find('/') != std::string::npos) return name;
  for (const std::string& entry : env) {
    if (entry.rfind("PATH=", 0) != 0) continue;
    std::istringstream folders(entry.substr(5));
    for (std::string folder; std::getline(folders, folder, ':');)
      if (access((fs::path(folder) / name).c_str(), X_OK) == 0) return fs::path(folder) / name;
  }
  return name;
}

// Runs `args` in `folder` with `env`; its standard output and error are kept together.
TRun RunIn(const fs::path& folder, std::vector<std::string> args, std::vector<std::string> env) {
  const fs::path output = folder / ".run-output";
  args.front() = OnPath(args.front(), env);
  const auto pointers = [](std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
  };
  std::vector<char*> argv = pointers(args), envp = pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  TRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.output = Slurp(output);
  fs::remove(output);
  return run;
}

class Installed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::remove_all(Root());
    fs::create_directories(Root() / "elsewhere");
    // Another component name keeps the build folder's install_manifest.txt, which a user's
    // uninstall reads, as it was; every file of the project belongs to this one.
    installed_ = RunIn(Root(),
                       {POMVIK_CMAKE, "--install", POMVIK_BUILD_DIR, "--prefix", Prefix().string(),
                        "--component", "Unspecified"},
                       Environment({"DESTDIR="}, {}));
  }
  static void TearDownTestSuite() { fs::remove_all(Root()); }

  static fs::path Root() {
    return fs::temp_directory_path() / ("pomvik-install-" + std::to_string(getpid()));
  }
  static fs::path Prefix() { return Root() / "prefix"; }
  static fs::path Share() { return Prefix() / "share"; }
  static fs::path Launcher() { return Share() / "applications" / "pomviksequencer.desktop"; }

  void SetUp() override { ASSERT_EQ(installed_.status, 0) << installed_.output; }

  static inline TRun installed_;
};

TEST_F(Installed, HoldsEveryFileAndPassesTheDesktopsValidators) {
  for (const char* program : {"PomvikSequencer", "pomvik-render"})
    EXPECT_EQ(access((Prefix() / "bin" / program).c_str(), X_OK), 0) << program;
  for (int n = 1; n <= 29; ++n) {
    const fs::path sample =
        Share() / "pomviksequencer" / "waves" / ("Sound" + std::to_string(n) + ".wav");
    EXPECT_EQ(Slurp(sample).substr(0, 4), "RIFF") << sample;
  }
  for (const char* page : {"PomvikSequencer.1", "pomvik-render.1"})
    EXPECT_EQ(Slurp(Share() / "man" / "man1" / page).substr(0, 4), ".TH ") << page;

  // Every size of the icon is the 16-pixel art, each pixel a whole square of the size.
  const auto icon = [](int size) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    return QImage(QString::fromStdString(
                      (Share() / "icons" / "hicolor" / name / "apps" / "pomviksequencer.png")
                          .string()))
        .convertToFormat(QImage::Format_ARGB32);
  };
  const QImage art =
      QImage(QStringLiteral(":/pictures/AppIcon.xpm")).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(art.size(), QSize(16, 16));
  for (int size : {16, 32, 48, 64, 128, 256})
    EXPECT_EQ(icon(size), art.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation))
        << size;

  const std::vector<std::string> env = Environment({}, {});
  const TRun launcher = RunIn(Root(), {"desktop-file-validate", Launcher().string()}, env);
  EXPECT_EQ(launcher.status, 0) << "desktop-file-validate (package desktop-file-utils)";
  EXPECT_EQ(launcher.output, "");
  const TRun metainfo = RunIn(Root(),
                              {"appstream-util", "validate-relax", "--nonet",
                               (Share() / "metainfo" / "pomviksequencer.metainfo.xml").string()},
                              env);
  EXPECT_EQ(metainfo.status, 0) << "appstream-util (package appstream-util): " << metainfo.output;
}

// The launcher's command line as a desktop runs it for `file` (none when empty): its
// field code %f stands for the one file.
std::vector<std::string> LauncherCommand(const fs::path& launcher, const std::string& file) {
  std::string exec;
  std::istringstream lines(Slurp(launcher));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("Exec=", 0) == 0) exec = line.substr(5);
  std::vector<std::string> command;
  std::istringstream words(exec);
  for (std::string word; words >> word;) {
    if (word != "%f")
      command.push_back(word);
    else if (!file.empty())
      command.push_back(file);
  }
  return command;
}

TEST_F(Installed, ItsProgramsFindTheirSamplesWhenStartedFromAnotherFolder) {
  // A program on the PATH, started as a desktop starts it.
  const std::vector<std::string> command = LauncherCommand(Launcher(), "");
  ASSERT_FALSE(command.empty());

  // A sound device is needed for the samples to load: SDL's disk output, into nothing. Only
  // the installed folder holds samples; the program checks its start and ends.
  const fs::path config = Root() / "config";
  fs::create_directories(config);
  const char* path = std::getenv("PATH");
  const std::vector<std::string> env = Environment(
      {"PATH=", "ALSOFT_", "SDL_", "XDG_CONFIG_", "XDG_STATE_", "QT_",
       "HOME=", "DISPLAY=", "WAYLAND_DISPLAY="},
      {"PATH=" + (Prefix() / "bin").string() + ":" + (path ? path : "/usr/bin:/bin"),
       "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=/dev/null", "XDG_CONFIG_HOME=" + config.string(),
       "HOME=" + Root().string(), "QT_QPA_PLATFORM=offscreen", "POMVIK_START_CHECK=1"});
  const TRun program = RunIn(Root() / "elsewhere", command, env);
  EXPECT_EQ(program.status, 0) << program.output;
  EXPECT_EQ(program.output.find("サウンドファイルがありません"), std::string::npos)
      << program.output;

  std::ofstream(Root() / "elsewhere" / "song.psq")
      << "SCORE=0091" << std::string(95 * 3, '0')
      << "\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n";
  const TRun render = RunIn(Root() / "elsewhere", {"pomvik-render", "song.psq", "song.wav"}, env);
  EXPECT_EQ(render.status, 0) << render.output;
  EXPECT_EQ(render.output.find("silent"), std::string::npos) << render.output;

  // A song opened from a file manager: the program reads it at start and says what Open
  // would say of it.
  const TRun song = RunIn(Root() / "elsewhere", LauncherCommand(Launcher(), "song.psq"), env);
  EXPECT_EQ(song.status, 0) << song.output;
  std::ofstream(Root() / "elsewhere" / "bad.psq") << "SCORE=0Z\r\nTEMPO=250\r\nEND=97\r\n";
  const TRun bad = RunIn(Root() / "elsewhere", LauncherCommand(Launcher(), "bad.psq"), env);
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.output.find("データが不正です"), std::string::npos) << bad.output;
}

TEST_F(Installed, FileManagersKnowItsSongsAndOpenThemWithIt) {
  // A desktop of no particular kind, with the prefix among its data folders and nothing of
  // the user's own; the databases are brought up to date as a package's install does.
  const fs::path home = Root() / "mime-home";
  fs::create_directories(home / "data");
  fs::create_directories(home / "config");
  const std::vector<std::string> env = Environment(
      {"XDG_", "HOME=", "DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS=", "KDE_",
       "GNOME_DESKTOP_SESSION_ID=", "MATE_DESKTOP_SESSION_ID=", "DESKTOP_SESSION="},
      {"HOME=" + home.string(), "XDG_DATA_HOME=" + (home / "data").string(),
       "XDG_CONFIG_HOME=" + (home / "config").string(),
       "XDG_CONFIG_DIRS=" + (home / "config").string(),
       "XDG_DATA_DIRS=" + Share().string() + ":/usr/share",
       "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (home / "no-bus").string()});
  const TRun mime = RunIn(Root(), {"update-mime-database", (Share() / "mime").string()}, env);
  ASSERT_EQ(mime.status, 0) << "update-mime-database (package shared-mime-info): " << mime.output;
  const TRun launchers =
      RunIn(Root(), {"update-desktop-database", (Share() / "applications").string()}, env);
  ASSERT_EQ(launchers.status, 0) << launchers.output;

  // Known by the name, and by the first line where the name says nothing.
  std::ofstream(home / "song.psq") << "SCORE=0091\r\nTEMPO=250\r\n";
  std::ofstream(home / "song") << "SCORE=0091\r\nTEMPO=250\r\n";
  std::ofstream(home / "notes.txt") << "SCORE=0091\r\n";
  const auto filetype = [&](const char* name) {
    return RunIn(Root(), {"xdg-mime", "query", "filetype", (home / name).string()}, env).output;
  };
  EXPECT_EQ(filetype("song.psq"), "application/x-pomviksequencer-song\n")
      << "xdg-mime (package xdg-utils, with libfile-mimeinfo-perl)";
  EXPECT_EQ(filetype("song"), "application/x-pomviksequencer-song\n");
  EXPECT_EQ(filetype("notes.txt"), "text/plain\n");
  const TRun opener =
      RunIn(Root(), {"xdg-mime", "query", "default", "application/x-pomviksequencer-song"}, env);
  EXPECT_EQ(opener.output, "pomviksequencer.desktop\n");
}

TEST_F(Installed, ItsProgramAnswersHelpAndVersionOnTheStandardOutputWithoutADisplay) {
  const char* path = std::getenv("PATH");
  const std::vector<std::string> env =
      Environment({"PATH=", "QT_", "DISPLAY=", "WAYLAND_DISPLAY="},
                  {"PATH=" + (Prefix() / "bin").string() + ":" + (path ? path : "/usr/bin:/bin")});
  // The standard error is thrown away: what is left came on the standard output.
  const auto run = [&](const std::string& arguments) {
    return RunIn(Root(), {"sh", "-c", "PomvikSequencer " + arguments + " 2>/dev/null"}, env);
  };
  const TRun help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: PomvikSequencer [SONG.psq]\n", 0), 0u) << help.output;
  const TRun version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "PomvikSequencer " POMVIK_VERSION "\n");
  const TRun wrong = RunIn(Root(), {"PomvikSequencer", "-platform", "offscreen", "--loud"}, env);
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(
      wrong.output.find("PomvikSequencer: unknown option --loud (see PomvikSequencer --help)\n"),
      std::string::npos)
      << wrong.output;
}

// On a build machine without a sound device the start check still checks the samples: each
// missing or damaged one is named, and the status says so.
TEST_F(Installed, ItsStartCheckNamesEachBrokenSampleWithoutASoundDevice) {
  const fs::path partial = Root() / "partial";
  fs::create_directories(partial / "waves");
  for (int n = 1; n <= 29; ++n) {
    const std::string name = "Sound" + std::to_string(n) + ".wav";
    if (n != 7)
      fs::copy_file(Share() / "pomviksequencer" / "waves" / name, partial / "waves" / name,
                    fs::copy_options::overwrite_existing);
  }
  std::ofstream(partial / "waves" / "Sound9.wav", std::ios::trunc) << "RIFF";
  const std::vector<std::string> env =
      Environment({"ALSOFT_", "SDL_", "XDG_CONFIG_", "XDG_STATE_", "QT_",
                   "HOME=", "DISPLAY=", "WAYLAND_DISPLAY="},
                  // SDL's dummy output discards everything: the program takes it for no device.
                  {"SDL_AUDIODRIVER=dummy", "HOME=" + Root().string(), "QT_QPA_PLATFORM=offscreen",
                   "POMVIK_START_CHECK=1"});
  const std::string program = (Prefix() / "bin" / "PomvikSequencer").string();

  const TRun broken = RunIn(partial, {program}, env);
  EXPECT_NE(broken.status, 0);
  EXPECT_NE(broken.output.find("waves/Sound7.wav: cannot be opened"), std::string::npos)
      << broken.output;
  EXPECT_NE(broken.output.find("waves/Sound9.wav: is not a RIFF WAVE file"), std::string::npos)
      << broken.output;
  EXPECT_EQ(broken.output.find("Sound8.wav"), std::string::npos) << broken.output;
  // Without a device nothing was loaded, so no message box would have come up.
  EXPECT_EQ(broken.output.find("サウンドファイルがありません"), std::string::npos) << broken.output;

  const TRun whole = RunIn(Root() / "elsewhere", {program}, env);
  EXPECT_EQ(whole.status, 0) << whole.output;
  EXPECT_EQ(whole.output.find(".wav"), std::string::npos) << whole.output;
}

}  // namespace
