// Flash transfers through the window's own exchange code over a real port, against the
// simulated unit answering in pieces, late, twice, with stray bytes before its answer and
// bytes after it, on a line up to 5 % fast, with copies of Erase's answer and a data frame
// refused unwritten. Either the transfer reports a failure, or the unit holds the image and
// the log says so; no request ever reaches the unit cut.

#include "app/norvane.h"
#include "driver/windowdriver.h"
#include "connection/operationtexts.h"
#include "ecusimulator.h"
#include "fuzzsupport.h"
#include "rom/romimage.h"
#include "sampleimage.h"
#include "ui/myconnectbutton.h"

#include <QApplication>
#include <QComboBox>
#include <QSerialPort>
#include <QTextEdit>

#include <cstddef>
#include <cstdint>

namespace {

using Fault = EcuSimulator::Fault;

constexpr quint32 IMAGE_ADDRESS = 0x80000;
constexpr int CHUNK_BYTES = 16384;
// Above the window's list, so that a data frame takes 41 ms on the line rather than 1.4 s;
// the unit follows the rate the port sets.
constexpr int LINE_RATE = 4000000;
// Copies come well before the next request has left, at most half its 41 ms on the line:
// a copy then cannot pass for the next answer, which no tool could tell apart.
constexpr int COPY_LATEST_MS = 20;
const quint8 FAULTED_CODES[] = {0x15, 0x13, 0x16};
// Adapters' clocks run up to this much fast, which the tool must serve.
constexpr int MOST_FAST_PERCENT = 5;

// Takes the input's bytes one by one; past its end, zeros.
struct InputReader {
    const uint8_t *data;
    size_t size;
    size_t next = 0;

    quint8 take() { return next < size ? data[next++] : 0; }
    QByteArray bytes(int count)
    {
        QByteArray taken;
        for (int i = 0; i < count; ++i)
            taken.append(char(take()));
        return taken;
    }
};

// Every answer is whole and comes after its request has arrived: nothing waits 20 s.
Fault FaultFrom(InputReader &input, bool dataFrame)
{
    const quint8 flags = input.take();
    const quint8 status = input.take();
    const quint8 pieces = input.take();
    const quint8 timing = input.take();
    const quint8 copyAfter = input.take();
    const int strayCount = input.take() % 24;
    Fault fault;
    fault.wrongChecksum = flags & 0x01;
    fault.status = (flags & 0x02) ? status : -1;
    fault.pieces = {pieces & 0x0F, pieces >> 4};
    fault.gapMs = timing % 4;
    fault.delayMs = (timing >> 2) % 4;
    fault.copyAfterMs = (flags & 0x04) ? copyAfter % (COPY_LATEST_MS + 1) : -1;
    if ((flags & 0x08) && dataFrame)
        fault.earlyBytes = input.bytes(strayCount);
    if (flags & 0x10)
        fault.extraBytes = input.bytes(strayCount);
    return fault;
}

struct Bench {
    Norvane window;
    WindowDriver driver{window};
};

Bench *bench = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    InstallQuietMessageHandler();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    bench = new Bench;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    InputReader input{data, size};
    const int frames = 1 + input.take() % 3;
    const QByteArray image = SampleImage(frames * CHUNK_BYTES, input.take());
    EcuSimulator unit;
    for (quint8 code : FAULTED_CODES)
        unit.setCommandFault(code, FaultFrom(input, code != 0x15));
    unit.setCommandFault(0x12, Fault::answerTwice(input.take() % (COPY_LATEST_MS + 1)));
    unit.setClockError(input.take() % (MOST_FAST_PERCENT + 1));
    unit.refuseDataFrame(input.take() % 4);
    Norvane &window = bench->window;
    Expect(unit.start() && bench->driver.connectTo(unit.portPath()));
    Expect(window.serialPort->setBaudRate(LINE_RATE));

    window.AppendLog(Clear, "");
    Expect(window.SendJumpToBootloader() == Success && window.SendEraseApplication() == Success);
    window.AppendLog(Info, FLASH_PROGRESS_START);
    // As inside an operation: a refusal that comes between two frames is held for the next.
    window.busy = true;
    const bool flashed = window.RunFlashApplication({IMAGE_ADDRESS, image});
    window.busy = false;
    const QString last = bench->driver.lastLogLine();
    if (flashed)
        Expect(unit.memory(IMAGE_ADDRESS, image.size()) == image && last == "[Flash Hanlder] Flashing.. 100%");
    else
        Expect(last.startsWith("Flash Application: "));
    for (const EcuSimulator::ReceivedFrame &frame : unit.frames())
        Expect(frame.checksumOk);
    Expect(unit.skippedBytes() == 0);

    window.connectButton->click();
    window.comportComboBox->removeItem(window.comportComboBox->findText(unit.portPath()));
    return 0;
}
