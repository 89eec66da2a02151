#pragma once
// Collecting the creator's controls into the creator record, the first stage of every build.
// Most fields are recomputed from their controls; four lists are edited in place so that entries
// without a control survive from the loaded EDID: the standard timing codes, the video and
// YCbCr 4:2:0 VIC lists, and the short audio descriptors with their format flags.
//
// The controls are read through CreatorControlReader, so the collection itself needs no widget:
// the window reads its check boxes and edits, tests read a plain table of names.

#include <QHash>
#include <QString>

#include "edid/EdidInfo.h"

class QObject;

namespace varnok {

// What the collection reads: a check box's state and an edit's text, by objectName. A control
// that does not exist reads as unchecked or as an empty text.
class CreatorControlReader {
public:
    virtual ~CreatorControlReader() = default;
    virtual bool checked(const QString& box) const = 0;
    virtual QString text(const QString& edit) const = 0;
};

// Reads the QCheckBox and QLineEdit children of root (the creator's page control).
class CreatorWidgetReader final : public CreatorControlReader {
public:
    explicit CreatorWidgetReader(const QObject* root) : root_(root) {}
    bool checked(const QString& box) const override;
    QString text(const QString& edit) const override;

private:
    const QObject* root_;
};

// A plain table of control states; names not in it read as unchecked or empty.
class CreatorStateReader final : public CreatorControlReader {
public:
    QHash<QString, bool> boxes;
    QHash<QString, QString> edits;
    bool checked(const QString& box) const override { return boxes.value(box, false); }
    QString text(const QString& edit) const override { return edits.value(edit); }
};

// Reads every creator control into info, in this order: identification, established and
// standard timings, colour, colorimetry, the VIC lists and HDMI_VICs, 3D, HDR, the audio
// descriptors, speaker allocation and the CEC address. Numbers are decimal whole numbers with
// leading blanks and an optional sign. Raises ConversionError at the first number field whose
// text is not one (or a CEC address that is not four hexadecimal digits); the fields collected
// before it keep their new values.
void CollectCreatorFields(const CreatorControlReader& controls, EdidInfo& info);

// The window's form: reads the controls under root.
inline void CollectCreatorFields(const QObject* root, EdidInfo& info) {
    CollectCreatorFields(CreatorWidgetReader(root), info);
}

}  // namespace varnok
