#pragma once
// Running the built program and library from tests: scratch folders, child
// processes with a controlled environment, and whole-file reads.

#include <string>
#include <vector>

namespace harness {

// A fresh folder under the system's temporary directory, removed with everything
// in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const;

private:
    std::string path_;
};

struct RunResult {
    int ExitCode = -1; // -1 when the child did not exit normally
    std::string Out;
    std::string Err;
};

// Runs program with args (argv[0] is program itself) in folder cwd. HOME and
// the XDG folders point into home, so no test reads or writes the real user's
// settings or log; LC_ALL is C. `environment` ("NAME=value") adds to that or
// replaces it. A child still running after two minutes is ended.
RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
              const std::string& home, const std::vector<std::string>& environment = {});

// The same in two steps, for tests that act on the child while it runs.
struct Child {
    int Pid = -1;
    std::string OutPath, ErrPath;
};
Child Start(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
            const std::string& home, const std::vector<std::string>& environment = {});
RunResult Finish(const Child& started);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);
bool Exists(const std::string& path);
inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
// Names of the entries of a folder, sorted.
std::vector<std::string> ListDir(const std::string& path);

} // namespace harness
