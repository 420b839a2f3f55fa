// The command hook in the real shells: each runs interactively in a
// pseudo-terminal with its start-up file holding the block, commands are
// typed in, and the reports that land in the inbox are read back the way
// the app reads them.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <map>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/agents/CommandFinished.h"
#include "core/agents/ShellHookSnippets.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What bash-preexec offers, cut to the two arrays: a DEBUG trap calls the
// preexec functions with the command line once per prompt, and the prompt
// command calls the precmd functions with the command's status in $?.
const std::string bashPreexecStandIn = R"sh(preexec_functions=()
precmd_functions=()
__bp_ready=
__bp_precmd() {
  local st=$? f
  for f in "${precmd_functions[@]}"; do (exit $st); "$f"; done
  __bp_ready=1
}
__bp_preexec() {
  [ -n "$__bp_ready" ] || return 0
  __bp_ready=
  local line f
  line=$(HISTTIMEFORMAT= builtin history 1 | sed 's/^ *[0-9]* *//')
  for f in "${preexec_functions[@]}"; do "$f" "$line"; done
}
trap '__bp_preexec' DEBUG
PROMPT_COMMAND=__bp_precmd
)sh";

class PtyShell {
public:
    PtyShell(const std::string& program, const std::map<std::string, std::string>& environment)
    {
        std::vector<std::string> entries;
        for (const auto& [name, value] : environment)
            entries.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : entries)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string interactive = "-i";
        std::vector<char*> argv{const_cast<char*>(program.c_str()), interactive.data(), nullptr};
        pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        pump(1500ms);  // the shell starts and shows its prompt
    }

    ~PtyShell()
    {
        type("exit\n");
        for (int i = 0; i < 100 && !exited(); ++i)
            pump(50ms);
        if (!exited()) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(master_);
    }

    void type(const std::string& line) { (void)!::write(master_, line.data(), line.size()); }

    // Reads what the shell prints (so that it never blocks on output) until
    // `done` holds or the time is up.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
    {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            pump(50ms);
        }
        return done();
    }

    const std::string& output() const { return output_; }

private:
    void pump(std::chrono::milliseconds wait)
    {
        pollfd fd{master_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(wait.count())) <= 0)
            return;
        char buffer[4096];
        ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got > 0)
            output_.append(buffer, static_cast<std::size_t>(got));
        if (output_.size() > 16384)
            output_.erase(0, output_.size() - 16384);
    }

    bool exited()
    {
        if (reaped_)
            return true;
        reaped_ = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
        return reaped_;
    }

    int master_ = -1;
    pid_t pid_ = -1;
    bool reaped_ = false;
    std::string output_;
};

class ShellHookRun : public ::testing::TestWithParam<ShellKind> {
protected:
    IntegrationEnv env() const
    {
        return IntegrationEnv{folder_ / "home",
                              {{"ZDOTDIR", (folder_ / "zdot").string()},
                               {"XDG_CONFIG_HOME", (folder_ / "config").string()}},
                              "/unused"};
    }

    fs::path inbox() const { return folder_ / "data" / "Lunebox" / "inbox"; }

    std::vector<std::pair<std::string, CommandFinished>> reports() const
    {
        std::vector<std::pair<std::string, CommandFinished>> found;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(inbox(), error)) {
            if (entry.path().filename().string().starts_with("."))
                continue;  // still being written: renamed once whole
            std::ifstream in(entry.path());
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            auto report = CommandFinished::parse(text, WallTime::fromUnixSeconds(0));
            EXPECT_TRUE(report) << entry.path() << ": " << text;
            if (report)
                found.emplace_back(entry.path().filename().string(), *report);
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.second.exitCode < b.second.exitCode; });
        return found;
    }

    testing::TemporaryFolder folder_;
};

TEST_P(ShellHookRun, long_commands_report_name_duration_and_exit_code_and_short_ones_nothing)
{
    ShellKind kind = GetParam();
    fs::create_directories(folder_ / "home");
    fs::path rc = ShellHookSnippets::rcFile(kind, env());
    fs::create_directories(rc.parent_path());
    std::string text = ShellHookSnippets::install(kind, 2);
    if (kind == ShellKind::bash)
        text = bashPreexecStandIn + text;
    std::ofstream(rc) << text;

    std::string program = kind == ShellKind::bash ? "/bin/bash" : kind == ShellKind::zsh ? "/usr/bin/zsh" : "/usr/bin/fish";
    PtyShell shell(program, {{"HOME", (folder_ / "home").string()},
                             {"ZDOTDIR", (folder_ / "zdot").string()},
                             {"XDG_CONFIG_HOME", (folder_ / "config").string()},
                             {"XDG_DATA_HOME", (folder_ / "data").string()},
                             {"PATH", "/usr/local/bin:/usr/bin:/bin"},
                             {"TERM", "xterm"},
                             {"LANG", "C.UTF-8"},
                             {"GIO_LAUNCHED_DESKTOP_FILE", "/usr/share/applications/org.example.Term.desktop"}});
    shell.type("true\n");
    shell.type("FOO=1 nice env BAR=2 /bin/sleep 2\n");
    ASSERT_TRUE(shell.pumpUntil([&] { return reports().size() == 1; }, 20s)) << shell.output();
    shell.type("sh -c 'sleep 2; exit 3'\n");
    ASSERT_TRUE(shell.pumpUntil([&] { return reports().size() == 2; }, 20s)) << shell.output();

    auto found = reports();
    EXPECT_EQ(found[0].second.name, "sleep");
    EXPECT_EQ(found[0].second.exitCode, 0);
    EXPECT_EQ(found[1].second.name, "sh");
    EXPECT_EQ(found[1].second.exitCode, 3);
    for (const auto& [name, report] : found) {
        EXPECT_TRUE(CommandFinished::isInboxFile(name)) << name;
        EXPECT_GE(report.seconds, 2);
        EXPECT_LE(report.seconds, 5);
        EXPECT_EQ(report.app, "org.example.Term");
    }
    EXPECT_EQ(fs::status(inbox()).permissions() & fs::perms::all, fs::perms::owner_all);
}

INSTANTIATE_TEST_SUITE_P(RealShells, ShellHookRun, ::testing::Values(ShellKind::zsh, ShellKind::bash, ShellKind::fish),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(ShellHookSnippets, the_block_is_framed_and_explained_and_found_under_either_markers)
{
    IntegrationEnv env{"/home/u", {{"XDG_CONFIG_HOME", "/cfg"}}, ""};
    EXPECT_EQ(ShellHookSnippets::rcFile(ShellKind::zsh, env), fs::path("/home/u/.zshrc"));
    EXPECT_EQ(ShellHookSnippets::rcFile(ShellKind::bash, env), fs::path("/home/u/.bashrc"));
    EXPECT_EQ(ShellHookSnippets::rcFile(ShellKind::fish, env), fs::path("/cfg/fish/conf.d/lunebox.fish"));
    EXPECT_EQ(ShellHookSnippets::uninstall(ShellKind::bash, env),
              "Open /home/u/.bashrc, delete everything from # >>> Lunebox command hook >>> to # <<< Lunebox "
              "command hook <<<, then open a new terminal window.");

    std::string block = ShellHookSnippets::install(ShellKind::zsh, 45);
    EXPECT_TRUE(block.starts_with("# >>> Lunebox command hook >>>\n# Tells Lunebox when a command ran 45 s or longer "
                                  "(command name, duration and exit code only).\n# To uninstall, delete this block.\n"));
    EXPECT_TRUE(block.ends_with("\n# <<< Lunebox command hook <<<\n"));
    EXPECT_NE(block.find("${XDG_DATA_HOME:-$HOME/.local/share}/Lunebox/inbox"), std::string::npos);
    EXPECT_EQ(ShellHookSnippets::install(ShellKind::bash, 30).find("trap"), std::string::npos);

    std::string text = "alias ll='ls -l'\n" + block + "export EDITOR=vim\n";
    auto found = ShellHookSnippets::find(text);
    ASSERT_TRUE(found);
    EXPECT_EQ(text.substr(found->begin, found->end - found->begin), block);
    EXPECT_EQ(found->threshold, 45);
    EXPECT_FALSE(found->legacy);
    auto legacy = ShellHookSnippets::find("x\n# >>> Corvane command hook >>>\nold\n# <<< Corvane command hook <<<");
    ASSERT_TRUE(legacy);
    EXPECT_TRUE(legacy->legacy);
    EXPECT_EQ(ShellHookSnippets::find("# >>> Lunebox command hook >>>\nno end\n"), std::nullopt);
}

TEST(ShellHookSnippets, the_setup_shows_frameworks_bash_preexec_and_a_debug_trap_of_active_lines_only)
{
    auto setup = ShellHookSnippets::detect(ShellKind::bash, "/h/.bashrc",
                                           "# source ~/.oh-my-bash/oh-my-bash.sh\n"
                                           "eval \"$(starship init bash)\"\n"
                                           "[[ -f ~/.bash-preexec.sh ]] && source ~/.bash-preexec.sh\n"
                                           "trap 'echo hi' DEBUG\n");
    EXPECT_EQ(setup.kind, ShellKind::bash);
    EXPECT_EQ(setup.frameworks, std::vector<std::string>{"starship"});
    EXPECT_TRUE(setup.bashPreexec);
    EXPECT_TRUE(setup.existingDebugTrap);
    EXPECT_EQ(ShellHookSnippets::loginShell(IntegrationEnv{"/h", {{"SHELL", "/usr/bin/fish"}}, ""}), ShellKind::fish);
    EXPECT_EQ(ShellHookSnippets::loginShell(IntegrationEnv{"/h", {{"SHELL", "/bin/tcsh"}}, ""}), std::nullopt);
}

class ShellHookWriterFile : public ::testing::Test {
protected:
    ShellHookWriter writer(ShellKind kind, int threshold = 30) const
    {
        return ShellHookWriter(IntegrationEnv{folder_.path(), {}, ""}, kind, threshold);
    }
    void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    testing::TemporaryFolder folder_;
};

TEST_F(ShellHookWriterFile, the_block_is_appended_and_removed_byte_for_byte_only_while_unchanged)
{
    ShellHookWriter zsh = writer(ShellKind::zsh);
    for (std::string original : {"export PATH=$HOME/bin:$PATH\n", "alias g=git", ""}) {
        write(zsh.path(), original);
        auto installed = zsh.install();
        ASSERT_TRUE(installed.ok());
        EXPECT_TRUE(installed->text.starts_with(original));
        write(zsh.path(), installed->text);
        EXPECT_TRUE(zsh.status().connected());
        auto removed = zsh.uninstall(installed->record);
        ASSERT_TRUE(removed.ok());
        EXPECT_EQ(removed->text, original);
    }

    // Installing with another threshold replaces the app's own block in place.
    write(zsh.path(), "a=1\n");
    auto first = zsh.install();
    ASSERT_TRUE(first.ok());
    write(zsh.path(), first->text + "b=2\n");
    EXPECT_EQ(writer(ShellKind::zsh, 60).status().state, ConnectionStatus::State::outdated);
    auto second = writer(ShellKind::zsh, 60).install();
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second->text, "a=1\n\n" + ShellHookSnippets::install(ShellKind::zsh, 60) + "b=2\n");

    // An edited block is neither replaced nor removed.
    std::string edited = first->text;
    edited.replace(edited.find("local w"), 7, "local ww");
    write(zsh.path(), edited);
    EXPECT_EQ(zsh.status().state, ConnectionStatus::State::edited);
    ASSERT_FALSE(zsh.install().ok());
    auto refused = zsh.uninstall(first->record);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().context,
              "Lunebox's command hook was edited after connecting — remove it by hand, then connect again");
    write(zsh.path(), "a=1\n");
    EXPECT_EQ(zsh.uninstall(first->record).error().context, "That hook isn't in the file any more");
}

TEST_F(ShellHookWriterFile, fish_gets_a_file_of_its_own_and_bash_is_told_when_bash_preexec_is_missing)
{
    ShellHookWriter fish = writer(ShellKind::fish);
    auto created = fish.install();
    ASSERT_TRUE(created.ok());
    EXPECT_TRUE(created->record.createdFile);
    fs::create_directories(fish.path().parent_path());
    write(fish.path(), created->text);
    auto removed = fish.uninstall(created->record);
    ASSERT_TRUE(removed.ok());
    EXPECT_EQ(removed->text, "");

    ShellHookWriter bash = writer(ShellKind::bash);
    write(bash.path(), "");
    write(bash.path(), bash.install()->text);
    EXPECT_EQ(bash.status().text, "bash-preexec isn't loaded");
    write(bash.path(), "source ~/.bash-preexec.sh\n" + bash.install()->text);
    EXPECT_TRUE(bash.status().connected());
}

}  // namespace
}  // namespace corvane
