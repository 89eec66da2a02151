#pragma once
// The "EDID Creator" page: the seven sub-pages with their rules and loader (CreatorPages), and
// the window's side of them: the two load buttons, the notices on the link, the shared open
// dialog and the debug log.

#include <QObject>

namespace varnok {

class CreatorPages;
class TForm1;

class CreatorPage : public QObject {
    Q_OBJECT
public:
    explicit CreatorPage(TForm1& form);

    CreatorPages& pages() { return *pages_; }

private:
    TForm1& form_;
    CreatorPages* pages_ = nullptr;
};

}  // namespace varnok
