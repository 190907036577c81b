#ifndef RECORDS_RECORDKEYS_H
#define RECORDS_RECORDKEYS_H

// The keys of a unit's record and its results: the record file, --json, the databases and
// the CSV all use these words. They are an interface: the man page lists them.
namespace Key {
constexpr char ID[] = "id";
constexpr char UNIT[] = "unit";
constexpr char STATION[] = "station";
constexpr char OPERATOR[] = "operator";
constexpr char VERSION[] = "version";
constexpr char OPERATION[] = "operation";
constexpr char PORT[] = "port";
constexpr char BAUD[] = "baud";
constexpr char FILE_PATH[] = "file";
constexpr char IMAGE[] = "image";
constexpr char FIRST[] = "first";
constexpr char LAST[] = "last";
constexpr char SIZE[] = "size";
constexpr char CRC32[] = "crc32";
constexpr char SHA256[] = "sha256";
constexpr char STARTED[] = "started";
constexpr char FINISHED[] = "finished";
constexpr char DURATION[] = "duration_s";
constexpr char RESULT[] = "result";
constexpr char FAILED_STEP[] = "failed_step";
constexpr char LOG[] = "log";
} // namespace Key

namespace Result {
constexpr char SUCCESS[] = "success";
constexpr char FAILED[] = "failed";
constexpr char INTERRUPTED[] = "interrupted";
// Its process killed on a second stop, perhaps in the middle of a frame.
constexpr char KILLED[] = "killed";
constexpr char REFUSED[] = "refused";
// The unit already held the image: nothing was sent to it.
constexpr char SKIPPED[] = "skipped";
} // namespace Result

namespace OperationText {
constexpr char FLASH[] = "flash";
constexpr char VERIFY[] = "verify";
constexpr char ERASE[] = "erase";
} // namespace OperationText

#endif
