#pragma once
#include <QString>
#include <QStringList>

namespace mox {

class Settings;

// Makes the transcription font "TransMox" available to this process for as
// long as the object holds it: install() adds the font file to the program's
// font database, remove() (or destruction) takes it out again. Nothing is
// reported: without the file the program goes on and transcriptions are drawn
// in whatever font their face name resolves to.
class TranscriptionFont {
public:
    static constexpr const char* kFamily = "TransMox";
    static constexpr const char* kFileName = "transmox.ttf";

    TranscriptionFont() = default;
    ~TranscriptionFont();
    TranscriptionFont(const TranscriptionFont&) = delete;
    TranscriptionFont& operator=(const TranscriptionFont&) = delete;

    // Where the installation puts the font: <program folder>/fonts/transmox.ttf.
    static QString defaultPath(const Settings& settings);

    // Adds the font file at `path`; true when it was added. A missing or
    // unreadable file gives false and changes nothing. While a font is held,
    // a second install() of the same file does nothing and gives true; another
    // file replaces the one held.
    bool install(const QString& path);
    // Takes the held font out again; true when one was removed.
    bool remove();

    bool installed() const { return id_ >= 0; }
    // The families the held font provides (empty when none is held).
    QStringList families() const;

private:
    int id_ = -1;
    QString path_;
};

} // namespace mox
