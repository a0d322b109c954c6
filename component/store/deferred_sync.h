// Deferred sync: message files written without a sync of their own, made durable together
// later. A POP3 session that sent DELE syncs them before it sends QUIT, the command that makes
// its deletions take effect (a server removes marked messages only then). So a copy saved
// before a deletion is on disk before the deletion happens, at the cost of one pass over the
// session's copies instead of one sync per message. Process-wide and safe from any thread.
#pragma once

#include <string>

namespace velmo::store {

// The file at path is in place but not yet synced.
void defer_sync(const std::string& path);
// The file was removed on purpose: nothing of it is owed any more.
void forget_deferred(const std::string& path);
bool has_deferred();
// Syncs every deferred file, then each of their folders once (the names), and forgets them
// all. False when any could not be synced or has gone missing: a copy that is not on disk
// must not let its message go.
bool sync_deferred();

}  // namespace velmo::store
