#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace ktest {
namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& changes)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('=') + 1);
        std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
        if (change.size() > name.size()) env.push_back(change);
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

} // namespace

Child::Child(std::vector<std::string> argv, std::vector<std::string> env)
{
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // The program starts as from a shell: no signal blocked, none ignored.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> environment = mergedEnvironment(env);
    const int rc = posix_spawn(&pid_, argv.front().c_str(), &actions, &attr, pointers(argv).data(),
                               pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    in_ = in[1];
    outFd_ = out[0];
    errFd_ = err[0];
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + argv.front() + ": " + std::strerror(rc));
    }
}

Child::~Child()
{
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    for (int fd : {in_, outFd_, errFd_})
        if (fd >= 0) close(fd);
}

bool Child::readSome(int timeoutMs)
{
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0) return false;
    if (poll(fds, 2, timeoutMs) <= 0) return true;
    char buf[4096];
    int* own[2] = {&outFd_, &errFd_};
    std::string* into[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
        if (*own[i] < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = read(*own[i], buf, sizeof buf);
        if (n > 0) {
            into[i]->append(buf, static_cast<std::size_t>(n));
        } else {
            close(*own[i]);
            *own[i] = -1;
        }
    }
    return true;
}

bool Child::seen(std::string_view text)
{
    for (auto [stream, seen] : {std::pair{&out_, &seenOut_}, std::pair{&err_, &seenErr_}}) {
        const std::size_t at = stream->find(text, *seen);
        if (at != std::string::npos) {
            const std::size_t end = stream->find('\n', at);
            *seen = end == std::string::npos ? stream->size() : end + 1;
            return true;
        }
    }
    return false;
}

bool Child::waitFor(std::string_view text, int limitSeconds)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    for (;;) {
        if (seen(text)) return true;
        const bool last = std::chrono::steady_clock::now() >= limit;
        if (!readSome(last ? 0 : 100) || last) return seen(text);
    }
}

void Child::closeInput()
{
    if (in_ >= 0) close(in_);
    in_ = -1;
}

void Child::signal(int sig) const
{
    if (pid_ > 0) ::kill(pid_, sig);
}

bool Child::running()
{
    if (ended_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return !ended_;
}

int Child::wait(int limitSeconds)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    while (running()) {
        if (std::chrono::steady_clock::now() > limit) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            ended_ = true;
            break;
        }
        readSome(50);
    }
    // What it wrote last; a stream some process of its own still holds open
    // is given up once it has been quiet a while.
    for (std::size_t before = SIZE_MAX; outFd_ >= 0 || errFd_ >= 0;) {
        const std::size_t now = out_.size() + err_.size();
        if (now == before) break;
        before = now;
        readSome(200);
    }
    return status_;
}

std::string describeStatus(int status)
{
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("killed by ") + strsignal(WTERMSIG(status));
    return "status " + std::to_string(status);
}

Finished run(std::vector<std::string> argv, std::vector<std::string> env)
{
    Child child(std::move(argv), std::move(env));
    child.closeInput();
    Finished f;
    f.status = child.wait();
    f.out = child.out();
    f.err = child.err();
    return f;
}

} // namespace ktest
