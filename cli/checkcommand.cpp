#include "cli/commands.h"

#include <QDir>

#include "cli/commandline.h"
#include "cli/console.h"
#include "cli/exitstatus.h"
#include "cli/imagecheck.h"
#include "rom/imagesummary.h"
#include "rom/romimage.h"

// The window's summary line, then the SHA-256, which the status bar has no room for.
int RunCheck(const CliRequest &request)
{
    const QString file = QDir::toNativeSeparators(request.file);
    RomImage image;
    QString reason;
    if (!CheckImageFile(request.file, &image, &reason)) {
        PrintError(QString("%1: refused: %2").arg(file, reason));
        return ExitUsage;
    }
    const ImageSummary summary = SummarizeImage(image);
    PrintLine(stdout, file + ": " + SummaryText(summary, request.baud));
    PrintLine(stdout, "SHA-256 " + QString::fromLatin1(summary.sha256.toHex()));
    return ExitAllSucceeded;
}
