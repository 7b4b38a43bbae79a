#include "fbserver.h"

#include "support/process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace ktest {
namespace {

namespace fs = std::filesystem;

const std::string kServer = KORVANE_FIREBIRD_SERVER;
const std::string kIsql = KORVANE_FIREBIRD_ISQL;
const std::string kIntl = KORVANE_FIREBIRD_INTL;

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    return a;
}

// A port nothing listens on now; the server takes it a moment later.
int freePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t n = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
        close(s);
        throw std::runtime_error("no free port");
    }
    close(s);
    return ntohs(a.sin_port);
}

bool listening(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = loopback(port);
    const bool ok = connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

} // namespace

std::string FirebirdServer::missing()
{
    for (const std::string& p : {kServer, kIsql, kIntl})
        if (p.empty() || !fs::exists(p)) return "the Firebird server (firebird3.0-server, firebird3.0-utils) is not installed";
    return {};
}

FirebirdServer::FirebirdServer() : port_(freePort())
{
    const fs::path root = root_.path();
    fs::create_directory(root / "lock");
    // The character sets, found under the root the variable FIREBIRD names.
    // Copies, not links: through a linked folder the engine loads the
    // module and still finds no WIN1252.
    fs::create_directory(root / "intl");
    for (const fs::directory_entry& e : fs::directory_iterator(kIntl))
        fs::copy_file(e.path(), root / "intl" / e.path().filename());
    std::ofstream(root / "firebird.conf") << "RemoteServicePort = " << port_ << "\n"
                                          << "RemoteBindAddress = 127.0.0.1\n"
                                          << "SecurityDatabase = " << (root / "security3.fdb").string() << "\n"
                                          << "ServerMode = Super\n";
    // The security database, made by the embedded engine under the private
    // configuration: SYSDBA with the program's password.
    std::ofstream(root / "security.sql") << "create database '" << (root / "security3.fdb").string()
                                         << "' user 'SYSDBA';\n"
                                         << "create user SYSDBA password '" << kCredentials.password << "';\n"
                                         << "commit;\n";
    const Finished isql = run({kIsql, "-q", "-i", (root / "security.sql").string()},
                              {"FIREBIRD=" + root.string(), "FIREBIRD_LOCK=" + (root / "lock").string()});
    if (!WIFEXITED(isql.status) || WEXITSTATUS(isql.status) != 0 || !isql.err.empty())
        throw std::runtime_error("cannot make the server's security database: " + isql.out + isql.err);
    start();
}

FirebirdServer::~FirebirdServer() { stop(); }

std::string FirebirdServer::path(const std::string& file) const
{
    return "127.0.0.1/" + std::to_string(port_) + ":" + file;
}

std::string FirebirdServer::log() const
{
    std::ifstream in(root_.path() / "server.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void FirebirdServer::start()
{
    const fs::path root = root_.path();
    const int out = open((root / "server.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out, STDERR_FILENO);
    std::vector<std::string> env = {"FIREBIRD=" + root.string(), "FIREBIRD_LOCK=" + (root / "lock").string(),
                                    "PATH=/usr/sbin:/usr/bin:/bin"};
    std::vector<char*> envp, argv = {const_cast<char*>(kServer.c_str()), nullptr};
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const int rc = posix_spawn(&pid_, kServer.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out);
    if (rc != 0) throw std::runtime_error("cannot start " + kServer);
    // Up when it takes connections; a server that ends first says why in its log.
    for (int i = 0; i < 1200 && !listening(port_); ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("the server ended at its start (" + describeStatus(status) + "): " + log());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!listening(port_)) throw std::runtime_error("the server does not take connections: " + log());
}

void FirebirdServer::kill()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void FirebirdServer::stop()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 600; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill();
}

} // namespace ktest
