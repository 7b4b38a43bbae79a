#pragma once
// A Firebird server of the test's own, as an office runs one for its seats:
// Debian's server program on 127.0.0.1 at a free port, with a private
// configuration, security database (SYSDBA with the program's password) and
// lock folder, run as a child of the test. The system's service, its port
// and its files are neither used nor touched.

#include "support/tempdb.h"

#include <sys/types.h>

#include <string>

namespace ktest {

class FirebirdServer {
public:
    // Why no server can be started here (its programs are absent); empty
    // when one can.
    static std::string missing();

    FirebirdServer();    // configures and starts it; throws when it does not come up
    ~FirebirdServer();   // stops it
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    // The path a seat opens: "127.0.0.1/PORT:" and the file on the server.
    std::string path(const std::string& file) const;
    // A folder of the server's machine for databases.
    const TempDir& files() const { return files_; }

    // The server dies at once, as when its machine loses power.
    void kill();
    // Starts it again, on the same port, configuration and files.
    void start();

private:
    void stop();
    std::string log() const;

    TempDir root_, files_;
    int port_ = 0;
    pid_t pid_ = -1;
};

} // namespace ktest
