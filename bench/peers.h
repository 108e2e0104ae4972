// The peer libraries' halves of the benchmark framework, one file each.
#pragma once

#include "bench/bench.h"

namespace varkesh::bench {

PeerLibrary OpenSslPeer();
PeerLibrary GcryptPeer();
PeerLibrary BotanPeer();
PeerLibrary CryptoppPeer();
PeerLibrary NettlePeer();
PeerLibrary TomcryptPeer();

}  // namespace varkesh::bench
