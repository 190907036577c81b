#ifndef CONNECTION_OPERATIONTEXTS_H
#define CONNECTION_OPERATIONTEXTS_H

// The log lines of one operation's command sequence.
struct OperationTexts {
    const char *started;
    const char *jumpFailed;
    const char *jumpSucceeded;
    const char *commandRunning;
    const char *commandFailed;
    const char *commandSucceeded;
    const char *resetting;
    const char *resetFailed;
    const char *resetSucceeded;
};

inline const OperationTexts VERIFY_TEXTS = {
    "[Verify Hanlder] Verify command started",
    "[Verify Hanlder] Jump to boot loader failed",
    "[Verify Hanlder] Jump to boot loader success",
    "[Verify Hanlder] Verifying..",
    "[Verify Hanlder] Verify failed",
    "[Verify Hanlder] Verify success",
    "[Verify Hanlder] Resetting..",
    "[Verify Hanlder] Reset failed",
    "[Verify Hanlder] Reset success",
};

inline const OperationTexts ERASE_TEXTS = {
    "[Erase Hanlder] Erase command started",
    "[Erase Hanlder] Jump to boot loader failed",
    "[Erase Hanlder] Jump to boot loader success",
    "[Erase Hanlder] Erasing..",
    "[Erase Hanlder] Erase failed",
    "[Erase Hanlder] Erase success",
    "[Erase Hanlder] Reseting",
    "[Erase Hanlder] Reset failed",
    "[Erase Hanlder] Reset success",
};

// A Flash erases first, then writes and verifies the image before its reset.
inline const OperationTexts FLASH_TEXTS = {
    "[Flash Hanlder] Flash command started",
    "[Flash Hanlder] Jump to boot loader failed",
    "[Flash Hanlder] Jump to boot loader success",
    "[Flash Hanlder] Erasing..",
    "[Flash Hanlder] Erase failed",
    "[Flash Hanlder] Erase success",
    "[Flash Hanlder] Resetting..",
    "[Flash Hanlder] Reset failed",
    "[Flash Hanlder] Reset success",
};
constexpr const char *FLASH_PROGRESS_START = "[Flash Hanlder] Flashing.. 0%";
constexpr const char *FLASH_FAILED = "[Flash Hanlder] Flash failed";
constexpr const char *FLASH_SUCCEEDED = "[Flash Hanlder] Flash success";
constexpr const char *FLASH_VERIFY_FAILED = "[Flash Hanlder] Verify failed";
constexpr const char *FLASH_VERIFY_SUCCEEDED = "[Flash Hanlder] Verify success";

// Logged when a stop ends an operation before its next exchange.
constexpr const char *OPERATION_STOPPED = "Stopped on request: nothing more was sent, no reset";

#endif
