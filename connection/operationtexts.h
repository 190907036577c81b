#ifndef CONNECTION_OPERATIONTEXTS_H
#define CONNECTION_OPERATIONTEXTS_H

#include <QtGlobal>

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
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Verify command started"),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Jump to boot loader failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Jump to boot loader success"),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Verifying.."),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Verify failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Verify success"),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Resetting.."),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Reset failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Verify Hanlder] Reset success"),
};

inline const OperationTexts ERASE_TEXTS = {
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Erase command started"),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Jump to boot loader failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Jump to boot loader success"),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Erasing.."),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Erase failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Erase success"),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Reseting"),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Reset failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Erase Hanlder] Reset success"),
};

// A Flash erases first, then writes and verifies the image before its reset.
inline const OperationTexts FLASH_TEXTS = {
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Flash command started"),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Jump to boot loader failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Jump to boot loader success"),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Erasing.."),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Erase failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Erase success"),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Resetting.."),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Reset failed"),
    QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Reset success"),
};
constexpr const char *FLASH_PROGRESS_START = QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Flashing.. 0%");
// The progress line as the transfer rewrites it; %1 is the percentage.
constexpr const char *FLASH_PROGRESS = QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Flashing.. %1%");
constexpr const char *FLASH_FAILED = QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Flash failed");
constexpr const char *FLASH_SUCCEEDED = QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Flash success");
constexpr const char *FLASH_VERIFY_FAILED = QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Verify failed");
constexpr const char *FLASH_VERIFY_SUCCEEDED = QT_TRANSLATE_NOOP("Norvane", "[Flash Hanlder] Verify success");

// Logged when a stop ends an operation before its next exchange.
constexpr const char *OPERATION_STOPPED =
    QT_TRANSLATE_NOOP("Norvane", "Stopped on request: nothing more was sent, no reset");

#endif
