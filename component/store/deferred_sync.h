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
// How sync_deferred makes the files durable. whole_filesystem: on a local disk filesystem
// (ext4, XFS, Btrfs, F2FS) or tmpfs, one syncfs for each filesystem holding them, which
// writes back and flushes all of them with a single flush of the disk where one fsync per file
// costs a flush each; elsewhere (network and FUSE filesystems, whose syncfs may stop short of
// the server) file by file. each_file: always an fsync per file, then one per folder.
enum class SyncWay { whole_filesystem, each_file };

// Makes every deferred file durable, names included, and forgets them all. False when any
// could not be synced or has gone missing: a copy that is not on disk must not let its message
// go.
bool sync_deferred(SyncWay way = SyncWay::whole_filesystem);

}  // namespace velmo::store
