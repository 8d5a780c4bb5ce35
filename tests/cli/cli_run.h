#pragma once

// Runs the command-line tool as a user's shell does and keeps what it printed and its exit code.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace ts::testing {

struct CliRun {
    int exitCode = -1;
    std::string out; // what the redirection keeps: by default standard output and error together
};

// tintsmith-cli with the given arguments (shell words) and redirection.
inline CliRun RunCli(const std::string& arguments, const std::string& redirect = " 2>&1") {
    CliRun run;
    std::FILE* pipe = popen((std::string(TINTSMITH_CLI_PATH) + " " + arguments + redirect).c_str(), "r");
    if (!pipe) {
        return run;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace ts::testing
