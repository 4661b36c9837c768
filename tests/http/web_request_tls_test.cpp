// HTTPS against a local nginx whose certificate comes from a throwaway authority that only
// these tests trust (handed to the request through its test-only CA file).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "http/failure_texts.h"
#include "http/web_request.h"
#include "tests/http/local_http_server.h"
#include "tests/http/web_request_test_support.h"

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using testing_support::call_web_request;
using testing_support::closed_port;
using testing_support::kUnwritten;
using testing_support::Outcome;

bool accepts_connections(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

// A temp folder with a CA, a server certificate for 127.0.0.1 and a running nginx.
class TlsPeer {
 public:
  TlsPeer() {
    char pattern[] = "/tmp/brimlow-tls-XXXXXX";
    if (!mkdtemp(pattern)) return;
    dir_ = pattern;
    https_port_ = closed_port();
    plain_port_ = closed_port();
    if (!make_certificates() || !write_config()) return;
    start();
  }
  ~TlsPeer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  bool running() const { return running_; }
  std::string error_log() const {
    std::ifstream in(dir_ / "error.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string https_url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(https_port_) + path;
  }
  std::string plain_url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(plain_port_) + path;
  }
  Text ca_file() const { return (dir_ / "ca.pem").string(); }

 private:
  bool make_certificates() const {
    const std::string d = dir_.string();
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    std::ofstream(dir_ / "ext.cnf") << "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n";
    const std::string script =
        "cd '" + d + "' && openssl req -x509" + key +
        " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Brimlow Test CA' && openssl req" + key +
        " -keyout server.key -out server.csr -subj '/CN=127.0.0.1' && openssl x509 -req"
        " -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2"
        " -extfile ext.cnf";
    return std::system((script + " >/dev/null 2>&1").c_str()) == 0;
  }

  bool write_config() const {
    const std::string d = dir_.string();
    std::ofstream conf(dir_ / "nginx.conf");
    conf << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
         << "error_log " << d << "/error.log;\npid " << d << "/nginx.pid;\n"
         << "events { worker_connections 64; }\nhttp {\n  access_log off;\n"
         << "  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d << "/proxy;\n"
         << "  fastcgi_temp_path " << d << "/fastcgi;\n  uwsgi_temp_path " << d << "/uwsgi;\n"
         << "  scgi_temp_path " << d << "/scgi;\n"
         << "  server {\n    listen 127.0.0.1:" << https_port_ << " ssl;\n"
         << "    ssl_certificate " << d << "/server.pem;\n"
         << "    ssl_certificate_key " << d << "/server.key;\n"
         << "    location = / { return 200 \"secure\"; }\n"
         << "    location = /down { return 302 " << plain_url("/plain") << "; }\n"
         << "    location = /up { return 302 " << https_url("/") << "; }\n  }\n"
         << "  server {\n    listen 127.0.0.1:" << plain_port_ << ";\n"
         << "    location / { return 200 \"plain\"; }\n  }\n}\n";
    return static_cast<bool>(conf);
  }

  void start() {
    const std::string prefix = dir_.string() + "/";
    const std::string config = prefix + "nginx.conf";
    const std::string log = prefix + "error.log";
    pid_ = fork();
    if (pid_ == 0) {
      // Debian installs it in /usr/sbin, which an ordinary user's PATH may lack.
      execl("/usr/sbin/nginx", "nginx", "-e", log.c_str(), "-p", prefix.c_str(), "-c",
            config.c_str(), static_cast<char*>(nullptr));
      execlp("nginx", "nginx", "-e", log.c_str(), "-p", prefix.c_str(), "-c", config.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 250 && pid_ > 0; ++i) {
      if (accepts_connections(https_port_) && accepts_connections(plain_port_)) {
        running_ = true;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  fs::path dir_;
  int https_port_ = 0;
  int plain_port_ = 0;
  pid_t pid_ = -1;
  bool running_ = false;
};

class WebRequestTlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { peer_ = new TlsPeer(); }
  static void TearDownTestSuite() {
    delete peer_;
    peer_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(peer_->running()) << peer_->error_log(); }

  WebRequestArgs args_for(const std::string& url) const {
    WebRequestArgs args;
    args.url = url;
    args.timeout_seconds = 5;
    args.test_ca_file = peer_->ca_file();
    return args;
  }

  static TlsPeer* peer_;
};

TlsPeer* WebRequestTlsTest::peer_ = nullptr;

TEST_F(WebRequestTlsTest, TrustedAuthorityGivesTheBody) {
  const Outcome outcome = call_web_request(args_for(peer_->https_url("/")));
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body, "secure");
}

TEST_F(WebRequestTlsTest, UnknownAuthorityIsASendFailure) {
  WebRequestArgs args = args_for(peer_->https_url("/"));
  args.test_ca_file.clear();
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, failure_text(RequestFailure::kSend));
  EXPECT_EQ(outcome.headers, kUnwritten);
}

TEST_F(WebRequestTlsTest, NameNotInTheCertificateIsASendFailure) {
  WebRequestArgs args = args_for(peer_->https_url("/"));
  args.url = "https://localhost:" + args.url.substr(args.url.rfind(':') + 1);
  EXPECT_EQ(call_web_request(args).status, failure_text(RequestFailure::kSend));
}

// With cookies the request demands the certificate's revocation status, which this server
// does not staple: the exchange must not go ahead unchecked.
TEST_F(WebRequestTlsTest, CookiesTurnOnTheCertificateStatusCheck) {
  Text cookies = "a=1";
  WebRequestArgs args = args_for(peer_->https_url("/"));
  args.cookies_in = &cookies;
  EXPECT_EQ(call_web_request(args).status, failure_text(RequestFailure::kSend));
}

TEST_F(WebRequestTlsTest, RedirectDownToPlainHttpIsNotFollowed) {
  const Outcome outcome = call_web_request(args_for(peer_->https_url("/down")));
  EXPECT_EQ(outcome.status, "302 Moved Temporarily");
  EXPECT_EQ(outcome.location, peer_->plain_url("/plain"));
}

TEST_F(WebRequestTlsTest, RedirectWithinHttpsIsFollowed) {
  const Outcome outcome = call_web_request(args_for(peer_->https_url("/up")));
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body, "secure");
}

TEST_F(WebRequestTlsTest, PlainHttpUpToHttpsIsFollowed) {
  // The plain server is only the target of /down; ask the secure one from plain HTTP by
  // redirecting through the raw peer.
  testing_support::LocalHttpServer origin([&](testing_support::ServerConnection& connection) {
    if (connection.read_request()) {
      connection.send(testing_support::http_response(
          "HTTP/1.1 301 Moved Permanently", "", "Location: " + peer_->https_url("/") + "\r\n"));
    }
  });
  const Outcome outcome = call_web_request(args_for(origin.url()));
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body, "secure");
}

}  // namespace
}  // namespace brimlow
