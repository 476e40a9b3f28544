// A line-oriented text file as the program's file routines use it: assign a
// name, open for reading, writing or appending, read and write lines, close.
// Writing never touches the existing file until Close has the whole text,
// which then replaces it in one step. SharedTextFile is the program's one
// shared instance; the line readers and writers work on it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kor2 {

// Input/output result codes, as the program's messages know them.
enum IoCode : int {
    ioOk = 0,
    ioFileNotFound = 2,
    ioPathNotFound = 3,
    ioAccessDenied = 5,
    ioReadError = 100,
    ioDiskFull = 101,
    ioNotOpen = 103,
    ioNotOpenForInput = 104,
    ioNotOpenForOutput = 105,
    ioWriteProtected = 150,
};

class TextFile {
public:
    TextFile() = default;
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    ~TextFile();  // an unclosed write is dropped; the old file stays

    void Assign(std::string_view name);
    const std::string& Name() const { return name_; }

    // Each returns true on success and otherwise records an IoCode.
    // Open for reading; a file larger than maxBytes (when not negative) is
    // refused unread with ioReadError.
    bool Reset(int64_t maxBytes = -1);
    bool Rewrite();  // create for writing; checks at once that the name can be written
    bool Append();   // continue an existing file
    bool Close();    // a written file replaces the old one here
    // Drops what was written since Rewrite or Append; the file stays as it was.
    void Discard();

    bool IsOpen() const { return mode_ != Mode::Closed; }
    bool IsWriting() const { return mode_ == Mode::Write; }
    bool Eof() const;  // reading: no more characters; closed or writing: true

    // Reads up to the next CR LF, LF or lone CR; at the end of the file an
    // empty line (no error, as the text files of the platform did).
    bool ReadLine(std::string& line);
    bool Write(std::string_view text);
    bool WriteLine(std::string_view text);  // text and CR LF

    // The result code of the last failed operation, cleared by reading it.
    int IOResult();
    // What made the last open for writing or Close fail, in German, where the
    // code alone does not tell (a refused link, a side file not made); empty
    // otherwise.
    const std::string& FailureDetail() const { return detail_; }

private:
    enum class Mode { Closed, Read, Write };
    bool Fail(int code);
    bool OpenForWrite(bool keepOld);

    std::string name_;
    Mode mode_ = Mode::Closed;
    std::string data_;  // the read file, or the text being written
    std::size_t pos_ = 0;
    int result_ = ioOk;
    std::string detail_;
};

// Maps a host errno to an IoCode.
int IoCodeFromErrno(int err);

// The one text file shared by the whole program's line routines.
inline TextFile SharedTextFile;

}  // namespace kor2
