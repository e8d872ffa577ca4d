#pragma once
// Where a piece of queued memo text goes. Core code names the memo; the
// windows map each id to their memo control (see MemoWriter).

enum class MemoTarget {
    State,      // MemoState, main window status page
    GPRS,       // MemoGPRS, main window connection page
    SendLog,    // Memo2, details window, never visible
    Comments,   // Memo3, details window "Comments"
    StateLog,   // Memo4, details window "State"
    AtCommands, // Memo5, details window "AT-Commands"
    DTMF,       // MemoDTMF, details window "DTMF"
};
