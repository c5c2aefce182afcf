#include "tests/support/program/Harness.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace harness {

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "varnex-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ScratchDir::operator/(const std::string& name) const { return path_ + "/" + name; }

Child Start(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
            const std::string& home, const std::vector<std::string>& environment) {
    const std::string outPath = home + "/.stdout";
    const std::string errPath = home + "/.stderr";

    std::vector<std::string> env = {"HOME=" + home,
                                    "XDG_CONFIG_HOME=" + home + "/.config",
                                    "XDG_DATA_HOME=" + home + "/.local/share",
                                    "XDG_STATE_HOME=" + home + "/.local/state",
                                    "LC_ALL=C",
                                    "PATH=/usr/bin:/bin"};
    for (const std::string& entry : environment) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        auto same = std::find_if(env.begin(), env.end(), [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        if (same != env.end())
            *same = entry;
        else
            env.push_back(entry);
    }
    // A sanitizer build's children need its settings too.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            env.push_back(std::string(name) + "=" + value);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(cwd.c_str()) != 0)
            ::_exit(126);
        // A program that hangs is ended (the alarm survives exec), so the
        // test fails instead of waiting for ever.
        ::alarm(120);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    return Child{child, outPath, errPath};
}

RunResult Finish(const Child& started) {
    const std::string& outPath = started.OutPath;
    const std::string& errPath = started.ErrPath;
    int status = 0;
    while (::waitpid(started.Pid, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");

    RunResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = ReadFile(outPath);
    result.Err = ReadFile(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return result;
}

RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
              const std::string& home, const std::vector<std::string>& environment) {
    return Finish(Start(program, args, cwd, home, environment));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace harness
