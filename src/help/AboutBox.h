#pragma once
#include <QDialog>

namespace mox {

class LinkLabel;
class LinkOpener;
class MessagePort;

// The modal "about" window: the program's picture, name and version, and two
// links to its makers (mail and web). It has no caption bar; its title
// "Mox! <> О программе" still names it among the program's windows. OK, Enter
// or Esc closes it.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Mox! <> О программе";
    static constexpr const char* kMailAddress = "mox@example.org";
    static constexpr const char* kMailTarget = "mailto:mox@example.org?Subject=Mox! support";
    static constexpr const char* kWebText = "mox.example.org";
    static constexpr const char* kWebTarget = "http://mox.example.org";

    // messages: where a link that cannot be opened is reported.
    explicit AboutBox(MessagePort& messages, QWidget* parent = nullptr);
    AboutBox(MessagePort& messages, LinkOpener& opener, QWidget* parent = nullptr);

    LinkLabel* mailLink() const { return mail_; }
    LinkLabel* webLink() const { return web_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    LinkLabel* mail_ = nullptr;
    LinkLabel* web_ = nullptr;
};

} // namespace mox
