#include "support/NginxServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/Utf8.h"

extern char** environ;

namespace talvex::test {

namespace fs = std::filesystem;

namespace {

std::string NginxBinary() {
    const char* custom = std::getenv("TALVEX_NGINX");
    return custom != nullptr && *custom != '\0' ? custom : "/usr/sbin/nginx";
}

// Starts argv[0] in its own process group, output to outputFile; -1 when it cannot start.
pid_t Spawn(const std::vector<std::string>& argv, const fs::path& outputFile) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return rc == 0 ? pid : -1;
}

// Waits for pid up to timeoutMs; its exit status, or -1 when it is still running.
int WaitFor(pid_t pid, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        if (r < 0 && errno != EINTR) {
            return 128;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

uint16_t FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool Answers(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    return fields;
}

}  // namespace

NginxServer::NginxServer() {
    root_ = work_.Path() / "root";
    fs::create_directories(root_);
    fs::create_directories(work_.Path() / "tmp");
}

NginxServer::~NginxServer() {
    Stop();
}

void NginxServer::AddVirtualHost(const std::string& serverNames, const fs::path& folder) {
    virtualHosts_.emplace_back(serverNames, folder);
}

std::string NginxServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::wstring NginxServer::WideUrl(const std::string& path) const {
    return Utf8ToWide(Url(path));
}

std::wstring NginxServer::TlsUrl(const std::string& path) const {
    return Utf8ToWide("https://127.0.0.1:" + std::to_string(tlsPort_) + path);
}

std::string NginxServer::ProxyAddress() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string NginxServer::Config() const {
    const std::string work = work_.Path().string();
    const std::string root = root_.string();
    std::ostringstream c;
    c << mainText_;
    if (::geteuid() == 0) {
        c << "user root;\n";  // workers would otherwise switch to nobody and lose the folders
    }
    c << "worker_processes 1;\n"
         "daemon off;\n"
         "master_process on;\n"
         "pid "
      << work << "/nginx.pid;\n"
      << "error_log " << work << "/error.log warn;\n"
      << "events { worker_connections 512; }\n"
         "http {\n"
         "  types { text/html html htm; text/plain txt; video/mp4 mp4; video/x-flv flv; }\n"
         "  default_type application/octet-stream;\n"
         "  log_format talvex \"$connection\\t$connection_requests\\t$request_method\\t"
         "$request_uri\\t$status\\t$http_range\\t$http_user_agent\\t$body_bytes_sent\\t$host\\t"
         "$http_cookie\\t$http_accept_encoding\";\n"
      << "  access_log " << work << "/access.log talvex;\n"
      << "  client_body_temp_path " << work << "/tmp/body;\n"
      << "  proxy_temp_path " << work << "/tmp/proxy;\n"
      << "  fastcgi_temp_path " << work << "/tmp/fastcgi;\n"
      << "  uwsgi_temp_path " << work << "/tmp/uwsgi;\n"
      << "  scgi_temp_path " << work << "/tmp/scgi;\n"
      << "  sendfile on;\n"
         "  keepalive_timeout 60;\n"
         "  keepalive_requests 10000;\n"
         "  server {\n"
         "    listen 127.0.0.1:{PORT} default_server;\n"
         "    server_name _;\n"
         "    root {ROOT};\n"
         "    location / { }\n"
         "    location /norange/ { alias {ROOT}/; max_ranges 0; }\n"
         "    location /slow/ { alias {ROOT}/; limit_rate "
      << rate_
      << "; }\n"
         "    location /gzip/ { alias {ROOT}/; gzip on; gzip_types *; gzip_min_length 0; }\n"
         "    location /nohead/ { alias {ROOT}/; if ($request_method = HEAD) { return 405; } }\n"
         "    location /redirect/ { rewrite ^/redirect/(.*)$ /$1 redirect; }\n"
         "    location /redirect301/ { rewrite ^/redirect301/(.*)$ /$1 permanent; }\n"
         "    location = /loop { return 302 /loop; }\n"
         "    location = /status/403 { return 403; }\n"
         "    location = /status/500 { return 500 \"failed\"; }\n"
         "    location = /echo/user-agent { default_type text/plain; return 200 "
         "\"$http_user_agent\"; }\n"
         "    location = /echo/cookie { default_type text/plain; return 200 \"$http_cookie\"; }\n"
         "    location = /echo/x-talvex { default_type text/plain; return 200 \"$http_x_talvex\"; "
         "}\n"
         "    location = /setcookie { add_header Set-Cookie \"sid=abc=def; Path=/\"; "
         "default_type text/plain; return 200 \"set\"; }\n"
      << serverText_ << "  }\n";
    for (const auto& [names, folder] : virtualHosts_) {
        c << "  server {\n    listen 127.0.0.1:{PORT};\n    server_name " << names << ";\n    root "
          << folder.string() << ";\n    location / { }\n  }\n";
    }
    if (tls_) {
        c << "  server {\n    listen 127.0.0.1:" << tlsPort_ << " ssl;\n    server_name _;\n"
          << "    ssl_certificate " << work << "/cert.pem;\n"
          << "    ssl_certificate_key " << work << "/key.pem;\n"
          << "    root {ROOT};\n    location / { }\n  }\n";
    }
    c << httpText_ << "}\n";
    std::string text = c.str();
    ReplaceAll(text, "{PORT}", std::to_string(port_));
    ReplaceAll(text, "{ROOT}", root);
    ReplaceAll(text, "{WORK}", work);
    return text;
}

bool NginxServer::MakeCertificate() {
    const fs::path work = work_.Path();
    pid_t pid = Spawn({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                       "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                       "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                       (work / "key.pem").string(), "-out", (work / "cert.pem").string()},
                      work / "openssl.log");
    if (pid < 0) {
        return false;
    }
    int status = WaitFor(pid, 30000);
    if (status == -1) {
        ::kill(pid, SIGKILL);
        WaitFor(pid, 1000);
    }
    return status == 0 && fs::exists(work / "cert.pem");
}

bool NginxServer::Start() {
    if (pid_ > 0) {
        return true;
    }
    if (tls_ && !fs::exists(work_.Path() / "cert.pem") && !MakeCertificate()) {
        error_ = "could not make a TLS certificate (openssl)";
        return false;
    }
    // Another process may take the free port between our look and nginx's bind: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (StartOnce()) {
            return true;
        }
    }
    return false;
}

bool NginxServer::StartOnce() {
    port_ = FreePort();
    tlsPort_ = tls_ ? FreePort() : 0;
    if (port_ == 0 || (tls_ && (tlsPort_ == 0 || tlsPort_ == port_))) {
        error_ = "no free port";
        return false;
    }
    const fs::path work = work_.Path();
    const fs::path conf = work / "nginx.conf";
    WriteFileBytes(conf, Config());
    pid_ = Spawn({NginxBinary(), "-p", work.string() + "/", "-c", conf.string(), "-e",
                  (work / "error.log").string()},
                 work / "nginx.out");
    if (pid_ < 0) {
        error_ = "cannot start " + NginxBinary();
        return false;
    }
    if (WaitUntilAnswering()) {
        return true;
    }
    error_ = ReadFileBytes(work / "nginx.out") + ErrorLog();
    Stop();
    return false;
}

bool NginxServer::WaitUntilAnswering() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (WaitFor(pid_, 0) != -1) {
            pid_ = -1;  // exited (bad configuration or port taken)
            return false;
        }
        if (Answers(port_) && (!tls_ || Answers(tlsPort_))) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void NginxServer::Stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    if (WaitFor(pid_, kStopTimeoutMs) == -1) {
        ::kill(-pid_, SIGKILL);  // the process group started for this server: master and workers
        WaitFor(pid_, kStopTimeoutMs);
    }
    pid_ = -1;
}

std::vector<NginxLogEntry> NginxServer::AccessLog() const {
    std::vector<NginxLogEntry> entries;
    std::istringstream in(ReadFileBytes(work_.Path() / "access.log"));
    std::string line;
    while (std::getline(in, line)) {
        auto f = SplitTabs(line);
        if (f.size() < 11) {
            continue;
        }
        NginxLogEntry e;
        e.connection = std::strtoull(f[0].c_str(), nullptr, 10);
        e.connectionRequests = std::strtoull(f[1].c_str(), nullptr, 10);
        e.method = f[2];
        e.uri = f[3];
        e.status = std::atoi(f[4].c_str());
        e.range = f[5];
        e.userAgent = f[6];
        e.bodyBytes = std::strtoull(f[7].c_str(), nullptr, 10);
        e.host = f[8];
        e.cookie = f[9];
        e.acceptEncoding = f[10];
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<NginxLogEntry> NginxServer::WaitForAccessLog(size_t count) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLogWaitMs);
    auto entries = AccessLog();
    while (entries.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        entries = AccessLog();
    }
    return entries;
}

std::string NginxServer::ErrorLog() const {
    return ReadFileBytes(work_.Path() / "error.log");
}

}  // namespace talvex::test
