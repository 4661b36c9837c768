#include "tests/monitor/capture_smtp_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

extern char** environ;

namespace brimlow::testing_support {

CaptureSmtpServer::CaptureSmtpServer(const std::string& directory, const std::string& user,
                                     const std::string& password,
                                     const std::vector<std::string>& extra_arguments) {
  std::vector<std::string> arguments = {kPython, SMTP_CAPTURE_SERVER, "--dir", directory,
                                        "--user", user, "--password", password};
  arguments.insert(arguments.end(), extra_arguments.begin(), extra_arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  const int spawned = ::posix_spawn(&pid_, kPython, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  output_ = pipe_ends[0];
  if (spawned != 0) pid_ = -1;
}

CaptureSmtpServer::~CaptureSmtpServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) ::close(output_);
}

int CaptureSmtpServer::port(int timeout_ms) {
  if (port_ > 0 || pid_ <= 0) return port_;
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    pollfd entry{output_, POLLIN, 0};
    if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0) return 0;
    char chunk[64];
    const ssize_t got = ::read(output_, chunk, sizeof chunk);
    if (got <= 0) return 0;
    line.append(chunk, static_cast<std::size_t>(got));
  }
  port_ = std::atoi(line.c_str());
  return port_;
}

}  // namespace brimlow::testing_support
