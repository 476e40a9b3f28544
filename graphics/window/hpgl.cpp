// HP-GL reader for help pictures: a small scanner over the plot bytes that
// keeps pen, position and label state and records lines, circles and texts
// in the graphics window. Never reads past the data; odd input is skipped.
#include "graphics/window/hpgl.h"

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "graphics/window/cadcolour.h"
#include "platform/asciichars.h"
#include "platform/hostfs.h"
#include "platform/numtext.h"

namespace kor2 {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDefaultCharHeightCm = 0.269;
constexpr double kDefaultCharWidthCm = 0.187;
constexpr std::size_t kMaxParams = 4096;  // points per command kept; the rest skipped

bool IsLetter(char c) {
    return IsAsciiLetter(c);
}
bool IsNumberStart(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.';
}

class HpglReader {
public:
    HpglReader(std::string_view data, GraphWindowModel& w) : d_(data), w_(w) { Reset(); }

    void Run() {
        while (p_ < d_.size()) {
            if (!IsLetter(d_[p_])) {
                ++p_;
                continue;
            }
            if (p_ + 1 >= d_.size() || !IsLetter(d_[p_ + 1])) {
                ++p_;
                continue;
            }
            const char a = AsciiUpperChar(d_[p_]);
            const char b = AsciiUpperChar(d_[p_ + 1]);
            p_ += 2;
            Command(a, b);
        }
    }

private:
    void Reset() {
        penDown_ = false;
        absolute_ = true;
        x_ = y_ = 0;
        charH_ = kDefaultCharHeightCm;
        charW_ = kDefaultCharWidthCm;
        dirRun_ = 1;
        dirRise_ = 0;
        term_ = '\x03';
        w_.MoveTo(0, 0);
    }

    // Numbers up to the next letter or ";"; other bytes separate them.
    std::vector<double> Params() {
        std::vector<double> out;
        while (p_ < d_.size()) {
            const char c = d_[p_];
            if (c == ';') {
                ++p_;
                break;
            }
            if (IsLetter(c)) break;
            if (!IsNumberStart(c)) {
                ++p_;
                continue;
            }
            std::size_t e = p_ + 1;
            while (e < d_.size() &&
                   (std::isdigit(static_cast<unsigned char>(d_[e])) || d_[e] == '.'))
                ++e;
            const std::string text(d_.substr(p_, std::min<std::size_t>(e - p_, 40)));
            p_ = e;
            std::size_t used = 0;
            const double v = platform::ReadLeadingDouble(text, &used);
            if (used == 0 || !std::isfinite(v)) continue;
            if (out.size() < kMaxParams) out.push_back(v);
        }
        return out;
    }

    void Point(double px, double py) {
        if (absolute_) {
            x_ = px;
            y_ = py;
        } else {
            x_ += px;
            y_ += py;
        }
        if (penDown_)
            w_.LineTo(x_ * kHpglUnit, y_ * kHpglUnit);
        else
            w_.MoveTo(x_ * kHpglUnit, y_ * kHpglUnit);
    }

    void Points(const std::vector<double>& v) {
        for (std::size_t i = 0; i + 1 < v.size(); i += 2) Point(v[i], v[i + 1]);
    }

    void Label() {
        const std::size_t end = d_.find(term_, p_);
        const std::string_view text =
            d_.substr(p_, end == std::string_view::npos ? d_.size() - p_ : end - p_);
        p_ = end == std::string_view::npos ? d_.size() : end + 1;
        const double len = std::hypot(dirRun_, dirRise_);
        const double ux = dirRun_ / len, uy = dirRise_ / len;
        const double angle = std::atan2(uy, ux) * 180.0 / kPi;
        const double heightWorld = charH_ * 10.0;     // cm to world millimetres
        const double advance = charW_ * 1.5 * 400.0;  // plotter units per character
        const double lineStep = charH_ * 2.0 * 400.0;
        const double startX = x_, startY = y_;
        std::size_t lineNo = 0, from = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
            const std::string_view piece = text.substr(from, i - from);
            if (!piece.empty()) w_.Label(x_ * kHpglUnit, y_ * kHpglUnit, piece, heightWorld, angle);
            x_ += ux * advance * static_cast<double>(piece.size());
            y_ += uy * advance * static_cast<double>(piece.size());
            if (i < text.size() && text[i] == '\n') {
                ++lineNo;
                x_ = startX + uy * lineStep * static_cast<double>(lineNo);
                y_ = startY - ux * lineStep * static_cast<double>(lineNo);
            }
            from = i + 1;
        }
        w_.MoveTo(x_ * kHpglUnit, y_ * kHpglUnit);
    }

    void Command(char a, char b) {
        if (a == 'L' && b == 'B') {
            Label();
            return;
        }
        if (a == 'D' && b == 'T') {
            if (p_ < d_.size() && d_[p_] != ';') term_ = d_[p_++];
            if (p_ < d_.size() && d_[p_] == ';') ++p_;
            return;
        }
        const std::vector<double> v = Params();
        const std::string cmd{a, b};
        if (cmd == "IN" || cmd == "DF") {
            Reset();
        } else if (cmd == "SP") {
            const double pen = v.empty() ? 0 : v[0];
            w_.SetPen(HpglPenColour(pen >= 0 && pen <= 255 ? static_cast<int>(pen) : 0));
        } else if (cmd == "PU") {
            penDown_ = false;
            Points(v);
        } else if (cmd == "PD") {
            penDown_ = true;
            Points(v);
        } else if (cmd == "PA") {
            absolute_ = true;
            Points(v);
        } else if (cmd == "PR") {
            absolute_ = false;
            Points(v);
        } else if (cmd == "CI") {
            if (!v.empty()) w_.Circle(x_ * kHpglUnit, y_ * kHpglUnit, std::fabs(v[0]) * kHpglUnit);
        } else if (cmd == "DI") {
            if (v.size() >= 2 && (v[0] != 0 || v[1] != 0)) {
                dirRun_ = v[0];
                dirRise_ = v[1];
            } else if (v.empty()) {
                dirRun_ = 1;
                dirRise_ = 0;
            }
        } else if (cmd == "SI") {
            if (v.size() >= 2) {
                charW_ = std::fabs(v[0]);
                charH_ = std::fabs(v[1]);
            } else if (v.empty()) {
                charW_ = kDefaultCharWidthCm;
                charH_ = kDefaultCharHeightCm;
            }
        }
    }

    std::string_view d_;
    GraphWindowModel& w_;
    std::size_t p_ = 0;
    bool penDown_ = false, absolute_ = true;
    double x_ = 0, y_ = 0;
    double charH_ = kDefaultCharHeightCm, charW_ = kDefaultCharWidthCm;
    double dirRun_ = 1, dirRise_ = 0;
    char term_ = '\x03';
};

}  // namespace

void DrawHpgl(std::string_view data, GraphWindowModel& window) {
    HpglReader(data, window).Run();
}

// A missing or unreadable picture draws nothing and reports false; the
// help display goes on without it.
bool ShowHpglPicture(std::string_view fileName) {
    const auto data = platform::ReadWholeFile(fileName);
    if (!data) return false;
    DrawHpgl(*data, GraphWindow);
    GraphWindow.Repaint();
    return true;
}

}  // namespace kor2
