#pragma once
// A scripted SMTP peer on 127.0.0.1 for the client's tests and benchmark: it records every
// line the client sends, byte for byte, and answers each with the next reply of its script.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brimlow::testing_support {

class ScriptedSmtpPeer {
 public:
  // Script entries, used in order across connections: the first answers a new connection
  // (the greeting), each later one answers the next line received. Once the script is used
  // up the peer stays silent, except that it answers QUIT with 221. Special entries:
  static constexpr const char* kSilent = "";          // answer nothing
  static constexpr const char* kHangUp = "<hang up>";  // close the connection
  // Within a reply, kPause splits it into two sends 50 ms apart.
  static constexpr char kPause = '\x01';
  // A reply starting with kDrip sends the rest over and over, one byte every 20 ms; one
  // starting with kFlood sends it over and over as fast as the client takes it. Either
  // goes on until the client closes the connection.
  static constexpr char kDrip = '\x02';
  static constexpr char kFlood = '\x03';
  // Recorded in lines() when a connection is accepted / when the message data arrives
  // (the data entry follows it with every byte up to and including "\r\n.\r\n").
  static constexpr const char* kConnected = "<connected>";

  // With `repeat_script` the script starts over when used up, and QUIT is always answered
  // with 221 outside the script: one script then serves any number of connections.
  explicit ScriptedSmtpPeer(std::vector<std::string> script, bool repeat_script = false);
  ~ScriptedSmtpPeer();
  ScriptedSmtpPeer(const ScriptedSmtpPeer&) = delete;
  ScriptedSmtpPeer& operator=(const ScriptedSmtpPeer&) = delete;

  int port() const { return port_; }

  // Lines received so far, without their CR LF.
  std::vector<std::string> lines() const;
  // Waits up to `timeout_ms` until at least `count` lines are recorded; returns them.
  std::vector<std::string> wait_for_lines(std::size_t count, int timeout_ms = 2000) const;

 private:
  void run();
  void serve(int client);
  std::string next_reply(const std::string& line);
  void record(std::string line);

  std::vector<std::string> script_;
  bool repeat_script_;
  std::size_t next_ = 0;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> lines_;
  std::thread thread_;
};

}  // namespace brimlow::testing_support
