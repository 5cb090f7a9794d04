// SHA-256 (FIPS 180-4), for the host's own verification of engine files.
#ifndef TOOLS_HOST_SHA256_H
#define TOOLS_HOST_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace wolfet_host {

class Sha256 {
 public:
  Sha256();
  void Update(const void *data, size_t size);
  /* Ends the message; the object must not be updated afterwards. */
  std::array<uint8_t, 32> Finish();

 private:
  void Block(const uint8_t *block);
  uint32_t state_[8];
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  uint64_t total_ = 0;
};

std::string ToHex(const std::array<uint8_t, 32> &digest);

/* The digest of a whole file in lower-case hex, read in pieces so large
 * pak files need no memory of their size. False when it cannot be read. */
bool HashFile(const std::string &path, std::string *hex);

}  // namespace wolfet_host

#endif
