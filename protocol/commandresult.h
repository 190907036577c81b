#ifndef PROTOCOL_COMMANDRESULT_H
#define PROTOCOL_COMMANDRESULT_H

// Outcome of one exchange with the bootloader.
enum CommandResult : int {
    Success = 0,
    WriteTimedOut = 240,
    ReadTimedOut = 241,
    InvalidResponseFrame = 242,
    JumpToBootloaderFailed = 243,
    VerifyApplicationFailed = 244,
    FlashApplicationFailed = 245,
    EraseApplicationFailed = 246,
    ResetECUFailed = 247,
    RomFileOpenFailed = 248,
    // Asked to stop: the exchange was not started.
    Stopped = 249
};

// The log line that reports one failure code of a step.
struct ResultText {
    CommandResult code;
    const char *text;
};

#endif
