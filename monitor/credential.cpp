#include "monitor/credential.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <memory>

#include "base/text_ops.h"
#include "http/text_helpers.h"

namespace brimlow {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kCheckLength = 9;

struct LibContextFree {
  void operator()(OSSL_LIB_CTX* context) const { OSSL_LIB_CTX_free(context); }
};
struct ProviderUnload {
  void operator()(OSSL_PROVIDER* provider) const { OSSL_PROVIDER_unload(provider); }
};
struct DigestFree {
  void operator()(EVP_MD* digest) const { EVP_MD_free(digest); }
};
struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using LibContext = std::unique_ptr<OSSL_LIB_CTX, LibContextFree>;
using Provider = std::unique_ptr<OSSL_PROVIDER, ProviderUnload>;
using Digest = std::unique_ptr<EVP_MD, DigestFree>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

struct AlgorithmInfo {
  std::uint32_t id;
  const char* name;
  bool legacy;  // lives in libcrypto's legacy provider, if at all
};

constexpr AlgorithmInfo kAlgorithms[] = {
    {kHashMd2, "MD2", true},          {kHashMd4, "MD4", true},
    {kHashMd5, "MD5", false},         {kHashSha1, "SHA1", false},
    {kHashSha256, "SHA256", false},   {kHashSha384, "SHA384", false},
    {kHashSha512, "SHA512", false},
};

const AlgorithmInfo* find_algorithm(std::uint32_t id) {
  for (const AlgorithmInfo& info : kAlgorithms) {
    if (info.id == id) return &info;
  }
  return nullptr;
}

// Digest of `data` in the given library context (null: the default one); empty on failure.
Bytes digest_in(OSSL_LIB_CTX* library, const char* name, const Bytes& data) {
  Digest digest(EVP_MD_fetch(library, name, nullptr));
  if (!digest) return {};
  DigestContext context(EVP_MD_CTX_new());
  if (!context) return {};
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_DigestInit_ex(context.get(), digest.get(), nullptr) != 1 ||
      EVP_DigestUpdate(context.get(), data.data(), data.size()) != 1 ||
      EVP_DigestFinal_ex(context.get(), out.data(), &length) != 1) {
    return {};
  }
  out.resize(length);
  return out;
}

Bytes compute_digest(const AlgorithmInfo& info, const Bytes& data) {
  Bytes out = digest_in(nullptr, info.name, data);
  if (!out.empty() || !info.legacy) return out;
  // The old digests are only offered by the legacy provider; load it into a private
  // context so the rest of the process keeps the default provider set.
  LibContext library(OSSL_LIB_CTX_new());
  if (!library) return {};
  Provider legacy(OSSL_PROVIDER_load(library.get(), "legacy"));
  if (!legacy) return {};
  return digest_in(library.get(), info.name, data);
}

int hex_digit_value(unsigned char byte) {
  if (byte >= '0' && byte <= '9') return byte - 48;
  if (byte >= 'A' && byte <= 'F') return byte - 55;
  if (byte >= 'a' && byte <= 'f') return byte - 87;
  return -1;
}

// The check value that ends a stored credential for `key`.
Text check_value(const Text& key) {
  return to_upper_ascii(text_middle(md5_hex(bytes_from_text(key)), 3, kCheckLength));
}

}  // namespace

Text text_reverse(const Text& text, bool wide) {
  if (!wide) return Text(text.rbegin(), text.rend());
  Bytes units = to_utf16(text, true);
  Bytes reversed;
  reversed.reserve(units.size());
  for (std::size_t n = units.size(); n >= 2; n -= 2) {
    reversed.push_back(units[n - 2]);
    reversed.push_back(units[n - 1]);
  }
  return from_utf16(reversed);
}

Text decipher_text(const Text& stored, const Text& key, std::int64_t combining_constant,
                   const std::function<void()>& pump_events) {
  const Text check = text_right(stored, kCheckLength);
  const Text expected = check_value(key);
  // An empty digest (no digest library) must not pass as a match for an empty check.
  if (expected.empty() || check != expected) return {};
  const Text body = text_left(stored, static_cast<int>(stored.size()) - kCheckLength);
  const auto constant = static_cast<std::uint32_t>(combining_constant);
  Bytes out;
  for (std::uint8_t byte : hex_to_bytes(body, pump_events)) {
    out.push_back(static_cast<std::uint8_t>((byte ^ constant) & 0xFF));
  }
  return text_from_bytes(out);
}

Text make_stored_credential(const Text& password, const Text& key_source,
                            std::int64_t combining_constant) {
  const Text key = text_reverse(key_source);
  const Text check = check_value(key);
  if (check.empty()) return {};
  const auto constant = static_cast<std::uint32_t>(combining_constant);
  Text stored;
  for (unsigned char byte : text_reverse(password)) {
    const auto enciphered = static_cast<unsigned char>((byte ^ constant) & 0xFF);
    stored += kHexDigits[enciphered >> 4];
    stored += kHexDigits[enciphered & 0x0F];
  }
  return stored + check;
}

Text decipher_password(const Text& stored, const Text& key_source,
                       std::int64_t combining_constant,
                       const std::function<void()>& pump_events) {
  const Text key = text_reverse(key_source);
  const Text deciphered = decipher_text(stored, key, combining_constant, pump_events);
  return text_reverse(deciphered);
}

Text hash_hex(const Bytes& data, std::uint32_t algorithm, int size) {
  const AlgorithmInfo* info = find_algorithm(algorithm);
  if (info == nullptr || size <= 0) return {};
  const Bytes digest = compute_digest(*info, data);
  if (digest.empty() || digest.size() != static_cast<std::size_t>(size)) return {};
  Text out;
  out.reserve(digest.size() * 2);
  for (std::uint8_t byte : digest) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
  }
  return out;
}

Text md5_hex(const Bytes& data, bool upper_case, bool middle16) {
  Text digest = hash_hex(data, kHashMd5, 16);
  if (!upper_case) digest = to_lower_ascii(digest);
  if (middle16) return text_middle(digest, 9, 16);
  return digest;
}

Bytes hex_to_bytes(const Text& hex, const std::function<void()>& pump_events) {
  Bytes out;
  out.reserve(hex.size() / 2 + 1);
  for (std::size_t p = 0; p < hex.size(); p += 2) {
    out.push_back(static_cast<std::uint8_t>(hex_to_int64(hex.substr(p, 2)) & 0xFF));
    if (pump_events) pump_events();
  }
  return out;
}

std::int64_t hex_to_int64(const Text& text) {
  std::uint64_t value = 0;
  int filled = 0;
  for (auto it = text.rbegin(); it != text.rend() && filled < 16; ++it) {
    const int digit = hex_digit_value(static_cast<unsigned char>(*it));
    if (digit < 0) continue;
    value |= static_cast<std::uint64_t>(digit) << (4 * filled);
    ++filled;
  }
  return static_cast<std::int64_t>(value);
}

}  // namespace brimlow
