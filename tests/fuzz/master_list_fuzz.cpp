// ReadMasterList over any datagram: it appends to what the list held, and
// only addresses of whole entries, in the datagram's order, none 0.0.0.0
// nor with port 0; each of them one that `join` takes.
#include <cassert>

#include "servers/protocol.h"
#include "stand_in_network.h"

using namespace wolfet_host;  // NOLINT(google-build-using-namespace)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string datagram(reinterpret_cast<const char *>(data), size);
  const ServerEndpoint held{1, 1};
  std::vector<ServerEndpoint> read{held};
  const MasterPart part = ReadMasterList(datagram, &read);
  const bool listed = datagram.rfind(kMasterHead, 0) == 0;
  assert(read[0] == held && listed == (part != MasterPart::kNotAList) &&
         (listed || read.size() == 1));
  assert(part != MasterPart::kEnd ||
         datagram.find("\\EOT", kMasterHead.size()) != std::string::npos);
  // Entries follow the head, seven bytes each: each address read is one of
  // them, after the one before.
  size_t at = kMasterHead.size();
  for (size_t i = 1; i < read.size(); ++i, at += 7) {
    const std::string entry = MasterEntry(read[i].ip, read[i].port);
    while (at + 7 <= datagram.size() && datagram.compare(at, 7, entry) != 0) at += 7;
    assert(read[i].ip != 0 && read[i].port != 0 && at + 7 <= datagram.size());
    std::string why;
    const std::optional<ServerAddress> address = ParseServerAddress(FormatEndpoint(read[i]), &why);
    assert(address && address->port == read[i].port);
  }
  return 0;
}
