// IPOPOPTIONS: switches of a POPMAIN object beyond IPOPMAIN, which stays exactly as it is.
// A POPMAIN object hands it out through QueryInterface; it is called through its table of
// operations only (not dual: late-bound clients see IPOPMAIN alone).
//
// Pipelining: 1 (the default) lets the session pipeline where the server lists PIPELINING in
//   its CAPA answer: TOP sent ahead in header scans, USER sent with PASS and the first STAT
//   with LIST; 0 makes every command wait for the reply to the one before, for servers that
//   misbehave. Put any time, in either mode; it acts from the next command on (for the login,
//   put it before Connect). Get yields 0 or 1.
#pragma once

#include "frame/unknown.h"

// {6B0E2C57-3A7D-4C1B-9F43-2D8E5A61C0B4}
inline constexpr IID IID_IPOPOPTIONS = {
    0x6B0E2C57, 0x3A7D, 0x4C1B, {0x9F, 0x43, 0x2D, 0x8E, 0x5A, 0x61, 0xC0, 0xB4}};

struct IPOPOPTIONS : IUnknown {
    static constexpr IID iid = IID_IPOPOPTIONS;
    virtual HRESULT get_Pipelining(LONG* pVal) = 0;
    virtual HRESULT put_Pipelining(LONG newVal) = 0;

protected:
    ~IPOPOPTIONS() = default;
};
