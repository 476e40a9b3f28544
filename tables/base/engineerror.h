// Error state of the table engine and its small platform services: every
// engine routine reports a failure through SetEngineError; the handler shows
// a box and stops, raises ETableError, or only records the error.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace kor2 {

inline uint16_t EngineErrorCode = 0;   // code of the last error, 0 = none
inline std::string EngineErrorMsg;     // the routine's own message of the last error
inline uint16_t PendingErrorCode = 0;  // code whose text has not been taken yet
inline bool ErrorHandling = true;      // run HandleEngineError on each error
inline bool ExceptionMode = false;     // the handler raises ETableError instead of stopping
inline bool EngineHalting = false;     // set once the handler decided to stop the program

// System facts gathered at engine start.
inline uint8_t FloppyDriveCount = 0;
inline uint32_t PhysicalMemoryKB = 0;
inline std::string EngineWindowsVersion;  // major "." minor of the host system, at most 7

class ETableError : public std::runtime_error {
public:
    explicit ETableError(const std::string& msg) : std::runtime_error(msg) {}
};

void SetEngineError(uint16_t code, const std::string& message);
void HandleEngineError();
std::string EngineErrorText(uint16_t code);  // "Fehler Nr. n (text)", empty for 0
std::string EngineStandardText(uint16_t code);
std::string TakeErrorMsg();
std::string LastErrorText();
bool SetErrorHandling(bool on);  // previous value
bool SetExceptionMode(bool on);  // previous value
[[noreturn]] void RaiseEngineError(const std::string& message);

// Clears the error state; used by the engine start-up.
void ResetEngineErrorState();

// For cleanup on error paths (destructors): error handling is off for its
// lifetime, and the error state of the failure being unwound is restored.
// With keepNew, an error of the cleanup stays recorded when there was none.
class QuietEngineErrors {
public:
    explicit QuietEngineErrors(bool keepNew = false);
    ~QuietEngineErrors();
    QuietEngineErrors(const QuietEngineErrors&) = delete;
    QuietEngineErrors& operator=(const QuietEngineErrors&) = delete;

private:
    uint16_t code_, pending_;
    std::string msg_;
    bool handling_;
    bool keepNew_;
};

// Undoes something at the end of a piece of work (a lock, a protection, a
// share mode). The normal way calls End() after the work, where a failure to
// undo is reported like any other error and may raise. When an error or an
// exception ends the work early, the destructor undoes it quietly and keeps
// the error of that failure: no exception ever leaves the destructor.
class EndOfWork {
public:
    EndOfWork() = default;
    explicit EndOfWork(std::function<void()> undo) : undo_(std::move(undo)) {}
    ~EndOfWork();
    EndOfWork(const EndOfWork&) = delete;
    EndOfWork& operator=(const EndOfWork&) = delete;
    void Arm(std::function<void()> undo) { undo_ = std::move(undo); }
    void End();
    void Dismiss() { undo_ = nullptr; }  // nothing left to undo

private:
    std::function<void()> undo_;
};

// Memory blocks of a 16-bit size.
using EngMemBlock = std::unique_ptr<uint8_t[]>;
void EngGetMem(EngMemBlock& block, uint16_t size);
void EngFreeMem(EngMemBlock& block, uint16_t size);
constexpr int32_t EngMaxAvail() {
    return 2147483647;
}

std::string LStrAnsiToOem(const std::string& text);
std::string LStrOemToAnsi(const std::string& text);

// Message box flags and results (the platform's values).
enum : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    IDOK = 1,
    IDCANCEL = 2,
};
// The box itself is replaceable: the form layer installs a Qt box; the
// default writes the text to standard error and answers OK.
using EngineMessageBoxFn =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
void SetEngineMessageBox(EngineMessageBoxFn fn);
int MessageBoxShort(const std::string& text, const std::string& caption, unsigned flags);

uint16_t GetWindowsVersion();  // major in the low byte, minor in the high byte
void GetToday(int& year, int& month, int& day, int& weekday);  // weekday 1 = Sunday

struct FileDatePartsRec {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};
void FileDateParts(int64_t fileDate, FileDatePartsRec& parts);  // fileDate: seconds since 1970
uint64_t PhysicalMemory(int unit);
uint8_t CountFloppyDrives();

}  // namespace kor2
