// Text files for the line routines: reading loads the file and hands out
// lines; writing collects the text and replaces the file on Close, so a
// failed or abandoned write never destroys what was there.
#include "common/textfile.h"

#include <cerrno>

#include "platform/filerights.h"
#include "platform/hostfs.h"

namespace kor2 {

int IoCodeFromErrno(int err) {
    switch (err) {
        case 0:
            return ioOk;
        case ENOENT:
            return ioFileNotFound;
        case ENOTDIR:
            return ioPathNotFound;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ioDiskFull;
        case EROFS:
            return ioWriteProtected;
        default:
            return ioAccessDenied;
    }
}

TextFile::~TextFile() = default;

void TextFile::Assign(std::string_view name) {
    Discard();
    name_.assign(name);
}

bool TextFile::Fail(int code) {
    result_ = code;
    return false;
}

int TextFile::IOResult() {
    const int r = result_;
    result_ = ioOk;
    return r;
}

bool TextFile::Reset(int64_t maxBytes) {
    Discard();
    result_ = ioOk;  // an open reports its own outcome, not an older failure
    platform::File f = platform::File::Open(name_, platform::OpenMode::Read);
    if (!f.IsOpen()) return Fail(name_.empty() ? ioFileNotFound : IoCodeFromErrno(f.Error()));
    const int64_t size = f.Size();
    if (size < 0 || (maxBytes >= 0 && size > maxBytes)) return Fail(ioReadError);
    std::string data(static_cast<std::size_t>(size), '\0');
    int64_t done = 0;
    while (done < size) {
        const int64_t n = f.Read(data.data() + done, size - done);
        if (n < 0) return Fail(ioReadError);
        if (n == 0) break;
        done += n;
    }
    data.resize(static_cast<std::size_t>(done));
    data_ = std::move(data);
    pos_ = 0;
    mode_ = Mode::Read;
    return true;
}

// Checks that the name can be written without changing an existing file:
// an existing one must open for writing, a new one is created and removed.
// The name counts in its own spelling. A link there leads the write only
// by the link rule (a link of this account, or of the folder's owner): the
// checks are then of the file it leads to, which Close replaces; any other
// link is refused, and nothing is opened, created or read through it.
bool TextFile::OpenForWrite(bool keepOld) {
    Discard();
    result_ = ioOk;  // an open reports its own outcome, not an older failure
    detail_.clear();
    if (name_.empty()) return Fail(ioFileNotFound);
    const platform::WriteTarget target = platform::WriteTargetOf(name_);
    if (target.error != 0) {
        detail_ = platform::WriteTargetRefusal(target);
        return Fail(target.error == EACCES ? ioAccessDenied : IoCodeFromErrno(target.error));
    }
    const std::string& file = target.path;
    const platform::EntryKind kind = platform::EntryKindOf(file, platform::Lookup::Write);
    if (kind != platform::EntryKind::File && kind != platform::EntryKind::Missing)
        return Fail(ioAccessDenied);
    std::string old;
    if (kind == platform::EntryKind::File) {
        const auto attr = platform::GetFileAttributes(file);
        if (attr && (*attr & platform::faReadOnly)) return Fail(ioAccessDenied);
        platform::File probe = platform::File::Open(file, platform::OpenMode::Write);
        if (!probe.IsOpen()) return Fail(IoCodeFromErrno(probe.Error()));
        probe.Close();
        if (keepOld) {
            auto content = platform::ReadWholeFile(file);
            if (!content) return Fail(ioReadError);
            old = std::move(*content);
        }
    } else {
        if (keepOld) return Fail(ioFileNotFound);
        if (const int err = platform::ProbeNewFile(file)) return Fail(IoCodeFromErrno(err));
    }
    data_ = std::move(old);
    mode_ = Mode::Write;
    return true;
}

bool TextFile::Rewrite() {
    return OpenForWrite(false);
}

bool TextFile::Append() {
    return OpenForWrite(true);
}

bool TextFile::Close() {
    if (mode_ == Mode::Closed) return Fail(ioNotOpen);
    const bool writing = mode_ == Mode::Write;
    std::string data = std::move(data_);
    Discard();
    if (!writing) return true;
    detail_.clear();
    if (!platform::WriteFileReplacing(name_, data, &detail_)) {
        const int err = errno;
        return Fail(err == ENOSPC || err == EDQUOT ? ioDiskFull : IoCodeFromErrno(err));
    }
    return true;
}

void TextFile::Discard() {
    mode_ = Mode::Closed;
    data_.clear();
    data_.shrink_to_fit();
    pos_ = 0;
}

bool TextFile::Eof() const {
    return mode_ != Mode::Read || pos_ >= data_.size();
}

bool TextFile::ReadLine(std::string& line) {
    line.clear();
    if (mode_ != Mode::Read) return Fail(mode_ == Mode::Closed ? ioNotOpen : ioNotOpenForInput);
    const std::size_t end = data_.find_first_of("\r\n", pos_);
    if (end == std::string::npos) {
        line.assign(data_, pos_, std::string::npos);
        pos_ = data_.size();
        return true;
    }
    line.assign(data_, pos_, end - pos_);
    pos_ = end + 1;
    if (data_[end] == '\r' && pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
    return true;
}

bool TextFile::Write(std::string_view text) {
    if (mode_ != Mode::Write) return Fail(mode_ == Mode::Closed ? ioNotOpen : ioNotOpenForOutput);
    data_.append(text);
    return true;
}

bool TextFile::WriteLine(std::string_view text) {
    if (!Write(text)) return false;
    data_.append("\r\n");
    return true;
}

}  // namespace kor2
