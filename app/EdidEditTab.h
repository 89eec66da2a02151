#pragma once
// The EDID window's "Edit" tab: the EDID as the lossless model's tree (blocks, descriptors, data
// blocks, CTA-861 timings), a form for the selected item (the identity and range limits, a data
// block's fields, or for a timing the calculator with its link check and drawing), buttons to
// add, remove and move timings and data blocks, and a meter of the room left in each block.
// Every change is one step on the undo stack; each edit changes only its field's bytes and the
// block's checksum. The tab says when its bytes change; the window refreshes the other tabs.

#include <QByteArray>
#include <QWidget>

#include "edid/model/EdidModel.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QUndoStack;
class QVBoxLayout;

namespace varnok {

class CtaDataBlockForm;
class EdidIdentityForm;
class TimingCalculatorPanel;
struct EdidEdit;
struct Timing;

class EdidEditTab : public QWidget {
    Q_OBJECT
public:
    explicit EdidEditTab(QWidget* parent = nullptr);

    // A new EDID (128 x N bytes): the tree shows it and the undo stack starts empty.
    void setBytes(const QByteArray& bytes);
    const QByteArray& bytes() const { return bytes_; }
    QUndoStack* undoStack() const { return undo_; }
    // What an item of the tree stands for.
    enum class ItemKind { Block, Identity, Descriptor, CtaTiming, DataBlock };
    struct ItemRef {
        ItemKind kind = ItemKind::Block;
        int block = 0;
        int index = 0;
        bool operator==(const ItemRef&) const = default;
    };
    // Selects the item (true when the tree has it).
    bool select(const ItemRef& ref);
    // Applies edits as one undoable step named `what`; false, with the model's reason shown,
    // when one is refused (then none is applied).
    bool apply(const QList<EdidEdit>& edits, const QString& what);
    // Called by the undo stack's steps.
    void showBytes(const QByteArray& bytes);

signals:
    // The bytes changed: an edit, an undo or a redo.
    void edited(const QByteArray& bytes);

private:
    void rebuild();
    void selectionChanged();
    void applyTiming(const Timing& t);
    void addTiming();
    void addDataBlock();
    void removeItem();
    void moveItem(int by);
    std::optional<ItemRef> current() const;
    QTreeWidgetItem* itemFor(const ItemRef& ref) const;
    void showProblem(const QString& text);

    QByteArray bytes_;
    EdidModel model_;
    QUndoStack* undo_;
    QTreeWidget* tree_;
    QVBoxLayout* meters_;
    QStackedWidget* forms_;
    QLabel* info_;
    QLabel* problem_;
    EdidIdentityForm* identity_;
    TimingCalculatorPanel* calculator_;
    CtaDataBlockForm* dataBlock_;
    QPushButton* addTiming_;
    QComboBox* blockKind_;
    QPushButton* addBlock_;
    QPushButton* remove_;
    QPushButton* up_;
    QPushButton* down_;
};

}  // namespace varnok
