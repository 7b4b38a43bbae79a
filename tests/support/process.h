#pragma once
// Programs a test starts: their standard output and error read through
// pipes, signals sent to them, their end awaited. A program still running
// when the object goes is killed.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ktest {

class Child {
public:
    // argv[0] is the program's path. env adds to (or replaces in) this
    // process's environment; "NAME=" with nothing after removes NAME.
    explicit Child(std::vector<std::string> argv, std::vector<std::string> env = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    // Reads both streams until a line of standard output or error holds
    // text (each line is found once); false when the program ended (or
    // closed both) first, or nothing came within limitSeconds.
    bool waitFor(std::string_view text, int limitSeconds = 300);
    // Closes the program's standard input (a program told to wait for it).
    void closeInput();
    void signal(int sig) const;

    // Reads both streams to their end and waits for the program; a program
    // that has not ended after limitSeconds is killed (a test that would
    // otherwise hang). The wait status, as waitpid gives it.
    int wait(int limitSeconds = 300);
    bool running();

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    bool readSome(int timeoutMs);
    bool seen(std::string_view text);

    pid_t pid_ = -1;
    int in_ = -1, outFd_ = -1, errFd_ = -1;
    std::string out_, err_;
    std::size_t seenOut_ = 0, seenErr_ = 0;
    bool ended_ = false;
    int status_ = 0;
};

// What a wait status says, for a test's failure message.
std::string describeStatus(int status);

// Runs a program to its end; its status, output and error.
struct Finished {
    int status = 0;
    std::string out, err;
};
Finished run(std::vector<std::string> argv, std::vector<std::string> env = {});

} // namespace ktest
