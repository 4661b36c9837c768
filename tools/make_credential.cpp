// make_credential: prints the stored credential text (BRIMLOW_SMTP_CREDENTIAL) for a mail
// account's password, so the password itself never goes into the build settings.
//
//   make_credential KEY_SOURCE COMBINING_CONSTANT < password-file
//
// The password is read from standard input (its first line, without the line break), so
// it does not show up in the process list or the shell history.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "monitor/credential.h"

namespace {

void print_usage() {
  std::cerr << "usage: make_credential KEY_SOURCE COMBINING_CONSTANT < password-file\n"
               "  KEY_SOURCE          the text for BRIMLOW_SMTP_KEY_SOURCE, e.g. your site's "
               "host name\n"
               "  COMBINING_CONSTANT  the integer for BRIMLOW_SMTP_XOR (decimal or 0x hex)\n"
               "Prints the text for BRIMLOW_SMTP_CREDENTIAL.\n";
}

bool parse_constant(const char* text, std::int64_t& value) {
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || parsed < 0) return false;
  value = parsed;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    print_usage();
    return 2;
  }
  const std::string key_source = argv[1];
  std::int64_t constant = 0;
  if (key_source.empty() || !parse_constant(argv[2], constant)) {
    print_usage();
    return 2;
  }

  std::string password;
  std::getline(std::cin, password);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) {
    std::cerr << "make_credential: no password on standard input\n";
    return 2;
  }
  if (password.find('\0') != std::string::npos) {
    std::cerr << "make_credential: the password holds a NUL byte\n";
    return 2;
  }

  const std::string stored = brimlow::make_stored_credential(password, key_source, constant);
  // Prove the text deciphers back before anyone builds with it.
  if (stored.empty() || brimlow::decipher_password(stored, key_source, constant) != password) {
    std::cerr << "make_credential: the credential does not decipher back to the password\n";
    return 1;
  }
  std::cout << stored << '\n';
  return 0;
}
