// Spawning the program for end-to-end tests.
#include "program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char **environ;

namespace {
// Our environment with the changes applied.
std::vector<std::string> environmentWith(const std::vector<std::string> &env, const std::vector<std::string> &unset) {
    std::vector<std::string> out;
    for (char **e = environ; *e; ++e) {
        std::string v = *e;
        std::string name = v.substr(0, v.find('='));
        bool drop = false;
        for (const auto &u : unset) drop = drop || name == u;
        for (const auto &n : env) drop = drop || n.substr(0, n.find('=')) == name;
        if (!drop) out.push_back(v);
    }
    out.insert(out.end(), env.begin(), env.end());
    return out;
}

pid_t spawn(const std::string &program, const std::vector<std::string> &args, const std::string &cwd,
            const std::vector<std::string> &env, const std::string &outPath, const std::string &errPath) {
    std::vector<std::string> argvStore = {program};
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore = env;
    std::vector<char *> envp;
    for (auto &e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}
}  // namespace

std::string freshFolder(const char *prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args, const std::string &cwd,
                         const std::vector<std::string> &env, const std::vector<std::string> &unset,
                         double timeoutSeconds) {
    ProgramResult result;
    std::string streams = freshFolder("corvalis-streams-");
    pid_t pid = spawn(program, args, cwd, environmentWith(env, unset), streams + "/out", streams + "/err");
    if (pid > 0) {
        double until = now() + timeoutSeconds;
        for (;;) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (now() > until) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    result.out = fileText(streams + "/out");
    result.err = fileText(streams + "/err");
    std::error_code ec;
    std::filesystem::remove_all(streams, ec);
    return result;
}

DemoRun startDemoWith(const std::string &program, const std::vector<std::string> &args, const std::string &cwd,
                      const std::vector<std::string> &env) {
    DemoRun run;
    run.runDir = cwd;
    run.ramDir = freshFolder("corvalis-ram-");
    run.portDir = freshFolder("corvalis-ports-");
    run.errPath = run.ramDir + "/stderr.txt";
    run.outPath = run.ramDir + "/stdout.txt";
    std::vector<std::string> all = {"CORVALIS_RAM=" + run.ramDir, "CORVALIS_PORTS=" + run.portDir,
                                    "SDL_AUDIODRIVER=dummy"};
    all.insert(all.end(), env.begin(), env.end());
    run.startedAt = now();
    run.pid = spawn(program, args, cwd, environmentWith(all, {}), run.outPath, run.errPath);
    return run;
}
