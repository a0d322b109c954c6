// Pop3Session: the CAPA question at the login and the pipelined header scan (see the session's
// header for the rules).
#include <algorithm>

#include "pop3/pipelined_reply.h"
#include "pop3/pop3_session.h"

namespace velmo {

namespace {

std::string top_command(std::int32_t n) { return "TOP " + std::to_string(n) + " 0\r\n"; }

Pop3Session::Chunk chunk_state(PipelinedReply::State state) {
    switch (state) {
        case PipelinedReply::State::More: return Pop3Session::Chunk::More;
        case PipelinedReply::State::Complete: return Pop3Session::Chunk::Complete;
        case PipelinedReply::State::Fail: break;
    }
    return Pop3Session::Chunk::Fail;
}

}  // namespace

bool Pop3Session::pipelining() const {
    return server_pipelines_ && pipelining_allowed() && !stream_broken_ && connected();
}

void Pop3Session::ResetPipeline() {
    prefetch_.reset();
    carry_.clear();
    stream_broken_ = false;
    stream_end_ = ReadEnd::Complete;
    capabilities_.clear();
    server_pipelines_ = false;
}

bool Pop3Session::AskCapabilities() {
    ResetPipeline();
    if (!SendCommand("CAPA\r\n")) return false;
    // "-ERR" is one line; "+OK" opens the list, which ends at the "." line.
    PipelinedReply reader(Capabilities::kMaxReply);
    read_limit_ms_ = kCapaWaitMs;
    const ReadEnd end = ReadChunks([&](std::string_view chunk, std::size_t) { return chunk_state(reader.add(chunk)); });
    read_limit_ms_ = UINT32_MAX;
    if (end == ReadEnd::Complete) {
        if (reader.ok()) capabilities_ = Capabilities::from_reply(reader.reply());
        server_pipelines_ = capabilities_.has("PIPELINING");
        return true;
    }
    // Silence: a server that ignores CAPA. Part of an answer and then silence, a broken
    // connection or an endless list leave the stream in no known state: the login fails.
    return end == ReadEnd::Timeout && reader.reply().empty();
}

bool Pop3Session::ReadNextPrefetched() {
    PipelinedReply reader(kHeaderCap);
    collecting_ = true;
    const ReadEnd end = ReadChunks([&](std::string_view chunk, std::size_t) { return chunk_state(reader.add(chunk)); });
    collecting_ = false;
    if (end == ReadEnd::Complete) {
        carry_ = reader.take_rest();
        prefetch_.arrived({true, std::move(reader.reply())});
        return true;
    }
    // Where the next reply begins is lost: every outstanding TOP fails when asked for, with
    // this cause, and no more are sent ahead on this connection.
    if (end == ReadEnd::Failed)
        SetFailure(FailureKind::ReplyTooLarge, "reply too large: the header of message " +
                                                   std::to_string(prefetch_.next_reply()) + " passed " +
                                                   std::to_string(kHeaderCap) + " bytes");
    const FailureCause cause = last_failure();
    carry_.clear();
    while (prefetch_.in_flight()) prefetch_.arrived({false, {}, cause});
    stream_broken_ = true;
    stream_end_ = end;
    return false;
}

bool Pop3Session::CollectPrefetched() {
    while (prefetch_.in_flight())
        if (!ReadNextPrefetched()) return false;
    return true;
}

bool Pop3Session::SendTops(const std::vector<std::int32_t>& numbers) {
    if (numbers.empty()) return true;
    // One send for the lot: one segment (one TLS record) instead of one for each command.
    std::string commands;
    for (std::int32_t k : numbers) commands += top_command(k);
    if (!SendCommand(commands)) return false;
    for (std::int32_t k : numbers) prefetch_.sent(k);
    return true;
}

bool Pop3Session::PipelinedTop(std::int32_t n, std::string& header) {
    const auto listed = static_cast<std::int32_t>(sizes_.size());
    // n itself unless it is held or on its way, then the window ahead of it.
    if (!SendTops(prefetch_.plan(n, listed, pipelining())) && !prefetch_.holds(n) && !prefetch_.awaits(n))
        return false;
    while (!prefetch_.holds(n) && prefetch_.in_flight())
        if (!ReadNextPrefetched()) break;
    // The window moves on by the header handed out now.
    if (prefetch_.holds(n)) SendTops(prefetch_.plan(n, listed, pipelining()));
    std::optional<HeaderPrefetch::Reply> reply = prefetch_.take(n);
    if (!reply) return false;
    if (!reply->read) {
        SetFailure(reply->cause.kind, reply->cause.text);
        // As for a TOP read on its own: past the cap the session ends.
        if (reply->cause.kind == FailureKind::ReplyTooLarge) CloseSession();
        return false;
    }
    // A "-ERR" fails this request alone; the text is left as it came when it is no "+OK".
    if (MultiLineText(reply->text, header)) return true;
    return ServerSaid(reply->text);
}

}  // namespace velmo
