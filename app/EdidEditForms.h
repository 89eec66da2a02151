#pragma once
// The Edit tab's forms for what is not a timing: the base block's identity (vendor, product,
// serial, week, year, monitor name), the range limits, and a CTA-861 data block (its named
// fields, or its payload as hex). Each form shows a model's values and, on Apply, hands on the
// edits for the values the user changed; the tab applies them as one undoable step.

#include <QList>
#include <QWidget>

#include "edid/model/CtaDataBlocks.h"
#include "edid/model/EdidEdit.h"

class QFormLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace varnok {

class EdidIdentityForm : public QWidget {
    Q_OBJECT
public:
    explicit EdidIdentityForm(QWidget* parent = nullptr);
    void showModel(const EdidModel& model);
    // The edits of the fields that differ from the model shown.
    QList<EdidEdit> edits() const;

signals:
    void applyRequested();

private:
    QLineEdit* vendor_;
    QSpinBox* product_;
    QLineEdit* serial_;
    QSpinBox* week_;
    QSpinBox* year_;
    QLineEdit* name_;
    QSpinBox* vmin_;
    QSpinBox* vmax_;
    QSpinBox* hmin_;
    QSpinBox* hmax_;
    QSpinBox* clock_;
    EdidModel shown_;
};

class CtaDataBlockForm : public QWidget {
    Q_OBJECT
public:
    explicit CtaDataBlockForm(QWidget* parent = nullptr);
    void showBlock(int block, int index, const CtaDataBlock& data);
    // The block as the form holds it; empty with *problem set when a value does not fit.
    std::optional<CtaDataBlock> edited(QString* problem) const;
    int block() const { return block_; }
    int index() const { return index_; }

signals:
    void applyRequested();

private:
    QLabel* kind_;
    QFormLayout* fields_;
    QWidget* fieldBox_;
    QLineEdit* hex_;
    QList<std::pair<CtaField, QSpinBox*>> spins_;
    CtaDataBlock shown_;
    int block_ = 0;
    int index_ = 0;
};

}  // namespace varnok
