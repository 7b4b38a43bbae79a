#pragma once
// A server of release zips on 127.0.0.1 for the download tests: FTP
// (Debian's python3-pyftpdlib) or HTTP (Python's own), started by the test
// on a free port over a folder of its own and stopped when the test ends.
// Nothing leaves the machine.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace ktest {

// A python3 that imports module, or "" when the machine has none. Debian's
// own comes first: python3-pyftpdlib installs for it.
inline std::string pythonWith(const std::string& module)
{
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        const std::string probe = std::string(python) + " -c 'import " + module + "' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) return python;
    }
    return {};
}

// A port of 127.0.0.1 where nothing listens.
inline int closedPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(s);
    return ntohs(a.sin_port);
}

class ReleaseServer {
public:
    enum class Protocol { Ftp, Http };

    // Serves root; work holds the port and log files. started() is false
    // when the machine has no python3 able to serve the protocol.
    ReleaseServer(Protocol protocol, const std::filesystem::path& root, const std::filesystem::path& work,
                  int dropAfter = 0)
        : protocol_(protocol), log_(work / "server.log")
    {
        const std::string python = pythonWith(protocol == Protocol::Ftp ? "pyftpdlib" : "http.server");
        if (python.empty()) return;
        const std::filesystem::path portFile = work / "server.port";
        std::vector<std::string> args{python,          KORVANE_TEST_SUPPORT_DIR "/releaseserver.py",
                                      protocol == Protocol::Ftp ? "ftp" : "http",
                                      root.string(),   portFile.string(),
                                      log_.string(),   "--drop-after",
                                      std::to_string(dropAfter)};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start " + python);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!std::filesystem::exists(portFile)) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw std::runtime_error("the release server ended at its start");
            }
            if (std::chrono::steady_clock::now() > until) throw std::runtime_error("the release server did not start");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::ifstream(portFile) >> port_;
    }
    ~ReleaseServer()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    ReleaseServer(const ReleaseServer&) = delete;
    ReleaseServer& operator=(const ReleaseServer&) = delete;

    bool started() const { return port_ > 0; }
    std::string url() const
    {
        return std::string(protocol_ == Protocol::Ftp ? "ftp" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
    }
    // Every command or request line so far, one a line.
    std::vector<std::string> log() const
    {
        std::vector<std::string> lines;
        std::ifstream in(log_);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    std::size_t count(const std::string& prefix) const
    {
        std::size_t n = 0;
        for (const std::string& l : log()) n += l.rfind(prefix, 0) == 0;
        return n;
    }

private:
    Protocol protocol_;
    std::filesystem::path log_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace ktest
