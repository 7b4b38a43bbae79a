#!/usr/bin/env python3
"""The download tests' server of release zips, on 127.0.0.1 only.

    releaseserver.py ftp|http ROOT PORT_FILE LOG_FILE [--drop-after N]

Serves ROOT read-only (FTP to anonymous users, or HTTP) on a free port,
writes that port to PORT_FILE once it listens, and appends every FTP command
or HTTP request line it receives to LOG_FILE. With --drop-after N (FTP) the
first download of each file stops after N bytes, its data and control
connections both closed, as a server that goes away half-way; later
downloads of the file are whole.
"""
import argparse
import functools
import os


def announce(port, port_file):
    with open(port_file + ".tmp", "w") as f:
        f.write(str(port))
    os.rename(port_file + ".tmp", port_file)


def log_line(log_file, line):
    with open(log_file, "a") as log:
        log.write(line + "\n")


def serve_ftp(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler
    from pyftpdlib.servers import FTPServer

    cut_once = set()

    class CuttingDTP(DTPHandler):
        cut_at = None

        def use_sendfile(self):
            return False

        def send(self, data):
            if self.cut_at is None and getattr(self.cmd_channel, "cut_pending", False):
                self.cmd_channel.cut_pending = False
                self.cut_at = args.drop_after
            if self.cut_at is not None:
                room = self.cut_at - self.tot_bytes_sent
                if room <= 0:
                    channel = self.cmd_channel
                    self.close()
                    channel.close()
                    return 0
                data = data[:room]
            return super().send(data)

    class Handler(FTPHandler):
        dtp_handler = CuttingDTP

        def pre_process_command(self, line, cmd, arg):
            log_line(args.log_file, line)
            super().pre_process_command(line, cmd, arg)

        def ftp_RETR(self, file):
            if args.drop_after > 0 and file not in cut_once:
                cut_once.add(file)
                self.cut_pending = True
            return super().ftp_RETR(file)

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(args.root)
    Handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), Handler)
    announce(server.socket.getsockname()[1], args.port_file)
    server.serve_forever(handle_exit=True)


def serve_http(args):
    import http.server

    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, format, *values):
            log_line(args.log_file, self.requestline)

    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Handler, directory=args.root))
    announce(server.server_port, args.port_file)
    server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("protocol", choices=["ftp", "http"])
    parser.add_argument("root")
    parser.add_argument("port_file")
    parser.add_argument("log_file")
    parser.add_argument("--drop-after", type=int, default=0)
    args = parser.parse_args()
    (serve_ftp if args.protocol == "ftp" else serve_http)(args)


if __name__ == "__main__":
    main()
