// A player joining an ioq3 server through the engine family's own
// handshake (getchallenge, challengeResponse, connect, connectResponse),
// far enough to be on its status list; it sends nothing after that, which
// the server tolerates for sv_timeout (200 s).
#ifndef TESTS_REAL_SERVER_IOQ3_CLIENT_H
#define TESTS_REAL_SERVER_IOQ3_CLIENT_H

#include <array>
#include <asio.hpp>
#include <chrono>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

// The adaptive Huffman code of the engine family. ioq3 decodes a connect
// packet from its 12th byte on (after "\xff\xff\xff\xffconnect ") whatever
// it holds, rebuilding the code symbol by symbol, so a client must grow the
// very same tree as it encodes: FGK's update, nodes ranked in a list by
// weight from the not-yet-transmitted node up, a node first swapped with
// the highest-ranked node of its weight (in the tree only when that is not
// its parent). No Debian library has this code; only the encoder is needed.
// One encoder a packet: the decoder starts each afresh.
class AdaptiveHuffman {
 public:
  // Two bytes of length (big-endian), then each symbol's path from the root
  // (right is 1), a symbol new to the tree as the path to the
  // not-yet-transmitted node and its 8 bits; bits fill bytes from bit 0.
  std::string Encode(std::string_view text) {
    std::string out{static_cast<char>(text.size() >> 8), static_cast<char>(text.size() & 0xFF)};
    size_t bit = 16;
    auto put = [&](bool one) {
      if (bit / 8 >= out.size()) out.push_back(0);
      if (one) out[bit / 8] = static_cast<char>(out[bit / 8] | (1 << (bit % 8)));
      ++bit;
    };
    for (const unsigned char symbol : text) {
      const int leaf = leaf_[symbol];
      for (const bool step : PathTo(leaf < 0 ? kNyt : leaf)) put(step);
      if (leaf >= 0) {
        Increment(leaf);
        continue;
      }
      for (int i = 7; i >= 0; --i) put((symbol >> i) & 1);
      Add(symbol);
    }
    out.push_back(0);  // the decoder checks for a byte past its last bit
    return out;
  }

 private:
  static constexpr int kNyt = 0, kNone = -1;
  struct Node {
    int left = kNone, right = kNone, parent = kNone, weight = 0;
  };

  std::vector<bool> PathTo(int node) const {
    std::vector<bool> path;
    for (; nodes_[node].parent != kNone; node = nodes_[node].parent)
      path.insert(path.begin(), nodes_[nodes_[node].parent].right == node);
    return path;
  }
  size_t Rank(int node) const {
    size_t rank = 0;
    while (ranks_[rank] != node) ++rank;
    return rank;
  }
  void SwapRanks(int a, int b) { std::swap(ranks_[Rank(a)], ranks_[Rank(b)]); }
  int &ChildSlot(int node) {
    Node &parent = nodes_[nodes_[node].parent];
    return parent.left == node ? parent.left : parent.right;
  }
  // In this order, as the engine does it: two siblings stay as they were.
  void SwapInTree(int a, int b) {
    const int parent_a = nodes_[a].parent, parent_b = nodes_[b].parent;
    (parent_a == kNone ? root_ : ChildSlot(a)) = b;
    (parent_b == kNone ? root_ : ChildSlot(b)) = a;
    nodes_[a].parent = parent_b;
    nodes_[b].parent = parent_a;
  }
  void Increment(int node) {
    size_t top = Rank(node);
    const int weight = nodes_[node].weight;
    while (top + 1 < ranks_.size() && nodes_[ranks_[top + 1]].weight == weight) ++top;
    const int leader = ranks_[top];
    if (leader != node) {
      if (leader != nodes_[node].parent) SwapInTree(leader, node);
      SwapRanks(leader, node);
    }
    ++nodes_[node].weight;
    const int parent = nodes_[node].parent;
    if (parent == kNone) return;
    Increment(parent);
    if (Rank(node) > 0 && ranks_[Rank(node) - 1] == parent) SwapRanks(node, parent);
  }
  // A new leaf and the internal node over it and the not-yet-transmitted
  // node take that node's place; both rank just above it.
  void Add(unsigned char symbol) {
    const int internal = static_cast<int>(nodes_.size()), leaf = internal + 1;
    nodes_.resize(nodes_.size() + 2);
    ranks_.insert(ranks_.begin() + 1, {leaf, internal});
    const int parent = nodes_[kNyt].parent;
    (parent == kNone ? root_ : ChildSlot(kNyt)) = internal;
    nodes_[internal] = {kNyt, leaf, parent, 1};
    nodes_[leaf] = {kNone, kNone, internal, 1};
    nodes_[kNyt].parent = internal;
    leaf_[symbol] = leaf;
    if (parent != kNone) Increment(parent);
  }

  std::vector<Node> nodes_{Node{}};
  std::vector<int> ranks_{kNyt};  // lowest first
  int root_ = kNyt;
  std::array<int, 256> leaf_ = [] {
    std::array<int, 256> none{};
    none.fill(kNone);
    return none;
  }();
};

class Ioq3Client {
 public:
  explicit Ioq3Client(uint16_t server_port)
      : socket_(io_, asio::ip::udp::endpoint(asio::ip::address_v4::loopback(), 0)),
        server_(asio::ip::address_v4::loopback(), server_port) {}

  // The server's answer to `request` that starts with `answer`, asked up to
  // three times a second apart.
  std::optional<std::string> Ask(const std::string &request, const std::string &answer) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      socket_.send_to(asio::buffer(kOob + request), server_);
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
      while (std::chrono::steady_clock::now() < end) {
        std::optional<std::string> got = Receive(end);
        if (got && got->rfind(kOob + answer, 0) == 0) return got->substr(kOob.size());
      }
    }
    return std::nullopt;
  }

  // Joins with `userinfo` ("\name\...\password\..."); the server's
  // word on it: "connectResponse ..." once on, else why not ("print\n...",
  // or empty when it says nothing).
  std::string Join(const std::string &userinfo, const std::string &game_name) {
    const std::optional<std::string> challenge =
        Ask("getchallenge 7 " + game_name, "challengeResponse ");
    if (!challenge) return "";
    std::istringstream words(challenge->substr(challenge->find(' ')));
    std::string server_challenge, client_challenge, protocol;
    words >> server_challenge >> client_challenge >> protocol;
    const std::string info = "\"" + userinfo + "\\protocol\\" + protocol + "\\qport\\4321" +
                             "\\challenge\\" + server_challenge + "\"";
    return Ask("connect " + AdaptiveHuffman().Encode(info), "").value_or("");
  }

  // Until the server has counted the pings, a client's reads 0 on its
  // status (then 999 until it enters the game), as a bot's does. False
  // when it has not within 5 s.
  bool AwaitPingCounted() {
    const std::regex counted("\n-?[0-9]+ [1-9][0-9]* \"");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      if (std::regex_search(Ask("getstatus ping", "statusResponse").value_or(""), counted))
        return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

 private:
  std::optional<std::string> Receive(std::chrono::steady_clock::time_point end) {
    std::array<char, 16384> buffer{};
    asio::ip::udp::endpoint from;
    std::optional<std::string> got;
    socket_.async_receive_from(asio::buffer(buffer), from, [&](asio::error_code error, size_t n) {
      if (!error && from == server_) got = std::string(buffer.data(), n);
    });
    io_.restart();
    io_.run_until(end);
    if (!io_.stopped()) {
      socket_.cancel();
      io_.restart();
      io_.run();
    }
    return got;
  }

  const std::string kOob = "\xff\xff\xff\xff";
  asio::io_context io_;
  asio::ip::udp::socket socket_;
  asio::ip::udp::endpoint server_;
};

#endif
