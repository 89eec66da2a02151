#pragma once
// What the device link shows in the window. The window (TForm1) implements it; unit tests
// implement it with a recorder. Keeps the link free of widget types.

#include <QString>
#include <cstdint>

namespace varnok {

class LinkView {
public:
    virtual ~LinkView() = default;
    // Debug log: append text as it is, add a line (a line break follows), replace the whole text.
    virtual void logAppend(const QString& text) = 0;
    virtual void logAddLine(const QString& line) = 0;
    virtual void logReplace(const QString& text) = 0;
    // Upload progress "p%" in black on both upload pages (Label2 and Label3).
    virtual void showUploadProgress(int percent) = 0;
};

}  // namespace varnok
