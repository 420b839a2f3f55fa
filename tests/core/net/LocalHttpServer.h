#pragma once
// A real HTTP server on 127.0.0.1 for the client's tests: a small Python
// script written into a temporary folder and run as a child process.
//   /json            a fixed JSON answer; the request's headers echoed under "headers"
//   /file/<name>     the bytes of <name> in the server's folder (404 when absent)
//   /slow            answers after 3 s
//   /huge            a 2 MiB body
//   /status/<code>   an empty answer with that status

#include <fstream>
#include <memory>
#include <string>

#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

namespace corvane::testing {

class LocalHttpServer {
public:
    LocalHttpServer()
    {
        std::ofstream(folder_ / "server.py") << R"py(import http.server, json, os, sys, time

class Handler(http.server.BaseHTTPRequestHandler):
    def answer(self, status, body, kind="application/json"):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.path == "/json":
            headers = {name.lower(): value for name, value in self.headers.items()}
            self.answer(200, json.dumps({"five_hour": {"utilization": 42}, "headers": headers}).encode())
        elif self.path.startswith("/file/"):
            name = os.path.basename(self.path[len("/file/"):])
            try:
                with open(name, "rb") as source:
                    self.answer(200, source.read())
            except OSError:
                self.answer(404, b"")
        elif self.path == "/slow":
            time.sleep(3)
            self.answer(200, b"{}")
        elif self.path == "/huge":
            self.answer(200, b"x" * (2 * 1024 * 1024), "text/plain")
        elif self.path.startswith("/status/"):
            self.answer(int(self.path[len("/status/"):]), b"")
        else:
            self.answer(404, b"")

    def log_message(self, *args):
        pass

class Server(http.server.ThreadingHTTPServer):
    # Clients that stop reading (the body cap, the time-out) are expected.
    def handle_error(self, request, address):
        pass

server = Server(("127.0.0.1", 0), Handler)
print("port", server.server_address[1], flush=True)
server.serve_forever()
)py";
        child_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/usr/bin/python3", "-u", (folder_ / "server.py").string()},
            std::vector<std::string>{}, folder_.path());
        auto line = child_->lineContaining("port ");
        port_ = line ? portIn(*line) : 0;
    }

    int port() const { return port_; }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    // Where /file/<name> reads from.
    const std::filesystem::path& folder() const { return folder_.path(); }

private:
    TemporaryFolder folder_;
    std::unique_ptr<ChildProcess> child_;
    int port_ = 0;
};

}  // namespace corvane::testing
