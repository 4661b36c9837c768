#pragma once
// A real SMTP server for the tests and the benchmark: Debian's aiosmtpd running
// smtp_capture_server.py as a child process on 127.0.0.1 and a free port. Each accepted
// message lands in the given directory as N.eml with its envelope in N.envelope.

#include <sys/types.h>

#include <string>
#include <vector>

namespace brimlow::testing_support {

class CaptureSmtpServer {
 public:
  // Debian's own interpreter: it has the python3-aiosmtpd package, which another python3
  // first on PATH may lack.
  static constexpr const char* kPython = "/usr/bin/python3";

  // Starts the server for one login; `extra_arguments` go to the script as they are
  // (e.g. "--exclude-mechanism", "LOGIN").
  CaptureSmtpServer(const std::string& directory, const std::string& user,
                    const std::string& password,
                    const std::vector<std::string>& extra_arguments = {});
  ~CaptureSmtpServer();
  CaptureSmtpServer(const CaptureSmtpServer&) = delete;
  CaptureSmtpServer& operator=(const CaptureSmtpServer&) = delete;

  // The port the server listens on, or 0 when it did not start within the time-out.
  int port(int timeout_ms = 15000);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  int port_ = 0;
};

}  // namespace brimlow::testing_support
