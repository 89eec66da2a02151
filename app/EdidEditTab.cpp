#include "app/EdidEditTab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include "app/EdidEditForms.h"
#include "app/TimingCalculatorPanel.h"
#include "app/WidgetText.h"
#include "edid/model/CtaDataBlocks.h"
#include "edid/model/EdidDescriptors.h"
#include "edid/model/EdidEdit.h"
#include "edid/timing/TimingEdits.h"
#include "edid/timing/TimingTables.h"

namespace varnok {
namespace {

constexpr int kRefRole = Qt::UserRole;
constexpr int kBaseDescriptorBytes = 4 * kDescriptorSize;
constexpr int kCtaRoom = kCtaChecksum - kCtaFirstDataBlock;  // bytes 4..126

// One step of the undo stack: the whole EDID before and after (the model is lossless, so an
// undo is parsing the bytes before).
class EdidBytesStep : public QUndoCommand {
public:
    EdidBytesStep(EdidEditTab& tab, QByteArray before, QByteArray after, const QString& what)
        : QUndoCommand(what), tab_(tab), before_(std::move(before)), after_(std::move(after)) {}
    void undo() override { tab_.showBytes(before_); }
    void redo() override { tab_.showBytes(after_); }

private:
    EdidEditTab& tab_;
    QByteArray before_;
    QByteArray after_;
};

QString TimingWords(const EdidDetailedTiming& d) {
    const Timing t = TimingOfDetailed(d);
    return QStringLiteral("%1x%2%3 @ %4 Hz")
        .arg(t.width)
        .arg(t.height)
        .arg(t.interlaced ? QStringLiteral("i") : QString())
        .arg(t.refreshHz(), 0, 'f', 2);
}

QString DescriptorWords(const Bytes18& d) {
    switch (DescriptorKindOf(d)) {
        case DescriptorKind::DetailedTiming:
            return QStringLiteral("detailed timing ") + TimingWords(DecodeDetailedTiming(d));
        case DescriptorKind::ProductName:
            return QStringLiteral("monitor name '%1'").arg(DescriptorText(d));
        case DescriptorKind::SerialText:
            return QStringLiteral("serial '%1'").arg(DescriptorText(d));
        case DescriptorKind::DataText:
            return QStringLiteral("text '%1'").arg(DescriptorText(d));
        case DescriptorKind::RangeLimits:
            return QStringLiteral("range limits");
        case DescriptorKind::Dummy:
            return QStringLiteral("free (dummy)");
        case DescriptorKind::Other:
            break;
    }
    return QStringLiteral("display descriptor 0x%1").arg(d[3], 2, 16, QLatin1Char('0'));
}

QVariant RefData(const EdidEditTab::ItemRef& r) {
    return QVariantList{int(r.kind), r.block, r.index};
}

EdidEditTab::ItemRef RefOf(const QTreeWidgetItem* item) {
    const QVariantList v = item->data(0, kRefRole).toList();
    return {EdidEditTab::ItemKind(v.value(0).toInt()), v.value(1).toInt(), v.value(2).toInt()};
}

}  // namespace

EdidEditTab::EdidEditTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Tab_Edit"));
    undo_ = new QUndoStack(this);
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(this);
    layout->addWidget(splitter, 1);

    auto* left = new QWidget(splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    tree_ = new QTreeWidget(left);
    tree_->setObjectName(QStringLiteral("Tree_EdidModel"));
    tree_->setHeaderHidden(true);
    auto* treeCaption = new QLabel(QStringLiteral("S&tructure:"), left);
    treeCaption->setBuddy(tree_);
    leftLayout->addWidget(treeCaption);
    leftLayout->addWidget(tree_, 1);
    auto button = [left](const QString& text, const char* name) {
        auto* b = new QPushButton(text, left);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    auto* row1 = new QHBoxLayout;
    addTiming_ = button(QStringLiteral("Add Timin&g"), "Button_AddTiming");
    remove_ = button(QStringLiteral("Remo&ve"), "Button_RemoveItem");
    up_ = button(QStringLiteral("Move &Up"), "Button_MoveUp");
    down_ = button(QStringLiteral("Move &Down"), "Button_MoveDown");
    for (QPushButton* b : {addTiming_, remove_, up_, down_}) row1->addWidget(b);
    leftLayout->addLayout(row1);
    auto* row2 = new QHBoxLayout;
    blockKind_ = new QComboBox(left);
    blockKind_->setObjectName(QStringLiteral("Combo_DataBlockKind"));
    for (const CtaBlockKind k :
         {CtaBlockKind::Video, CtaBlockKind::Audio, CtaBlockKind::SpeakerAllocation,
          CtaBlockKind::HdmiVsdb, CtaBlockKind::HdmiForumVsdb, CtaBlockKind::Colorimetry,
          CtaBlockKind::HdrStaticMetadata, CtaBlockKind::VideoCapability,
          CtaBlockKind::Yuv420CapabilityMap})
        blockKind_->addItem(CtaBlockKindId(k), int(k));
    auto* kindCaption = new QLabel(QStringLiteral("Data bloc&k:"), left);
    kindCaption->setBuddy(blockKind_);
    addBlock_ = button(QStringLiteral("Add Data &Block"), "Button_AddDataBlock");
    row2->addWidget(kindCaption);
    row2->addWidget(blockKind_, 1);
    row2->addWidget(addBlock_);
    leftLayout->addLayout(row2);
    meters_ = new QVBoxLayout;
    leftLayout->addLayout(meters_);

    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    problem_ = new QLabel(right);
    problem_->setObjectName(QStringLiteral("Label_EditProblem"));
    problem_->setAccessibleDescription(QStringLiteral("Why the last edit was refused"));
    problem_->setWordWrap(true);
    rightLayout->addWidget(problem_);
    forms_ = new QStackedWidget(right);
    info_ = new QLabel(QStringLiteral("Choose an item of the EDID to edit it."), forms_);
    info_->setObjectName(QStringLiteral("Label_EditItem"));
    info_->setAccessibleDescription(QStringLiteral("The selected item"));
    info_->setWordWrap(true);
    info_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    identity_ = new EdidIdentityForm(forms_);
    calculator_ = new TimingCalculatorPanel(forms_);
    dataBlock_ = new CtaDataBlockForm(forms_);
    for (QWidget* w : {static_cast<QWidget*>(info_), static_cast<QWidget*>(identity_),
                       static_cast<QWidget*>(calculator_), static_cast<QWidget*>(dataBlock_)})
        forms_->addWidget(w);
    rightLayout->addWidget(forms_, 1);
    splitter->setStretchFactor(1, 3);

    connect(tree_, &QTreeWidget::currentItemChanged, this, &EdidEditTab::selectionChanged);
    connect(calculator_, &TimingCalculatorPanel::applyRequested, this, &EdidEditTab::applyTiming);
    connect(identity_, &EdidIdentityForm::applyRequested, this,
            [this] { apply(identity_->edits(), QStringLiteral("Identity")); });
    connect(dataBlock_, &CtaDataBlockForm::applyRequested, this, [this] {
        QString problem;
        if (const auto b = dataBlock_->edited(&problem))
            apply({EdidEdit::setDataBlock(dataBlock_->block(), dataBlock_->index(), *b)},
                  QStringLiteral("Data block"));
        else
            showProblem(problem);
    });
    connect(addTiming_, &QPushButton::clicked, this, &EdidEditTab::addTiming);
    connect(addBlock_, &QPushButton::clicked, this, &EdidEditTab::addDataBlock);
    connect(remove_, &QPushButton::clicked, this, &EdidEditTab::removeItem);
    connect(up_, &QPushButton::clicked, this, [this] { moveItem(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { moveItem(1); });
    selectionChanged();
}

void EdidEditTab::setBytes(const QByteArray& bytes) {
    undo_->clear();
    showBytes(bytes);
    if (tree_->topLevelItemCount()) tree_->setCurrentItem(tree_->topLevelItem(0));
}

void EdidEditTab::showBytes(const QByteArray& bytes) {
    bytes_ = bytes;
    model_ = ParseEdidModel(bytes).model;
    rebuild();
    emit edited(bytes_);
}

bool EdidEditTab::apply(const QList<EdidEdit>& edits, const QString& what) {
    if (edits.isEmpty()) return true;
    EdidModel edited = model_;
    for (const EdidEdit& e : edits) {
        const EdidEditResult r = ApplyEdidEdit(edited, e);
        if (!r.ok()) {
            showProblem(r.reason);
            return false;
        }
    }
    showProblem({});
    const QByteArray after = SerializeEdidModel(edited);
    if (after != bytes_) undo_->push(new EdidBytesStep(*this, bytes_, after, what));
    return true;
}

void EdidEditTab::showProblem(const QString& text) {
    SetLabelText(problem_, text, true);
}

namespace {

struct Entry {
    QString text;
    EdidEditTab::ItemRef ref;
    QList<Entry> children;
};

struct Meter {
    int used = 0;
    int room = 0;
};

// The tree's entries and the blocks' meters for a model.
QList<Entry> EntriesOf(const EdidModel& m, QList<Meter>& meters) {
    using Kind = EdidEditTab::ItemKind;
    QList<Entry> out;
    for (int b = 0; b < m.blockCount(); ++b) {
        const int free = EdidFreeBytes(m, b);
        Entry top{{}, {Kind::Block, b, 0}, {}};
        Meter meter{kEdidModelBlockSize, kEdidModelBlockSize};
        if (b == 0) {
            top.text = QStringLiteral("Block 0: base (%1 bytes free)").arg(free);
            top.children << Entry{
                QStringLiteral("Identity and range limits"), {Kind::Identity, 0, 0}, {}};
            for (int i = 0; i < 4; ++i)
                top.children << Entry{QStringLiteral("Descriptor %1: %2")
                                          .arg(i + 1)
                                          .arg(DescriptorWords(m.base.descriptors[i])),
                                      {Kind::Descriptor, 0, i},
                                      {}};
            meter = {kBaseDescriptorBytes - free, kBaseDescriptorBytes};
        } else if (const CtaExtension* cta = m.cta(b)) {
            top.text = QStringLiteral("Block %1: CTA-861 (%2 bytes free)").arg(b).arg(free);
            for (int i = 0; i < cta->dataBlocks.size(); ++i)
                top.children << Entry{QStringLiteral("Data block %1: %2 (%3 bytes)")
                                          .arg(i + 1)
                                          .arg(CtaBlockKindId(CtaBlockKindOf(cta->dataBlocks[i])))
                                          .arg(cta->dataBlocks[i].size()),
                                      {Kind::DataBlock, b, i},
                                      {}};
            for (int i = 0; i < cta->timings.size(); ++i)
                top.children << Entry{QStringLiteral("Timing %1: %2")
                                          .arg(i + 1)
                                          .arg(TimingWords(DecodeDetailedTiming(cta->timings[i]))),
                                      {Kind::CtaTiming, b, i},
                                      {}};
            meter = {kCtaRoom - free, kCtaRoom};
        } else {
            const EdidExtension& raw = m.extensions[b - 1];
            top.text = QStringLiteral("Block %1: tag 0x%2, kept as its bytes%3")
                           .arg(b)
                           .arg(raw.tag(), 2, 16, QLatin1Char('0'))
                           .arg(raw.rawReason.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" (") + raw.rawReason + QLatin1Char(')'));
        }
        out << top;
        meters << meter;
    }
    return out;
}

void SetItem(QTreeWidgetItem* item, const Entry& e) {
    if (item->text(0) != e.text) item->setText(0, e.text);
    item->setData(0, kRefRole, RefData(e.ref));
}

}  // namespace

void EdidEditTab::rebuild() {
    const std::optional<ItemRef> keep = current();
    const QSignalBlocker block(tree_);
    QList<Meter> meters;
    const QList<Entry> entries = EntriesOf(model_, meters);
    // An edit seldom changes the tree's shape: the items and meters are then updated in place,
    // which keeps the window's layout (and the frame) as it was.
    bool sameShape = tree_->topLevelItemCount() == entries.size();
    for (int t = 0; sameShape && t < entries.size(); ++t)
        sameShape = tree_->topLevelItem(t)->childCount() == entries[t].children.size();
    if (!sameShape) {
        tree_->clear();
        for (const Entry& e : entries) {
            auto* top = new QTreeWidgetItem(tree_);
            for (int c = 0; c < e.children.size(); ++c) new QTreeWidgetItem(top);
            top->setExpanded(true);
        }
    }
    if (meters_->count() != meters.size()) {
        while (QLayoutItem* item = meters_->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        for (int t = 0; t < meters.size(); ++t) {
            auto* meter = new QProgressBar;
            meter->setObjectName(QStringLiteral("Meter_Block%1").arg(t));
            meters_->addWidget(meter);
        }
    }
    for (int t = 0; t < entries.size(); ++t) {
        QTreeWidgetItem* top = tree_->topLevelItem(t);
        SetItem(top, entries[t]);
        for (int c = 0; c < entries[t].children.size(); ++c)
            SetItem(top->child(c), entries[t].children[c]);
        auto* meter = static_cast<QProgressBar*>(meters_->itemAt(t)->widget());
        meter->setRange(0, meters[t].room);
        meter->setValue(meters[t].used);
        meter->setFormat(QStringLiteral("Block %1: %2 of %3 bytes used")
                             .arg(t)
                             .arg(meters[t].used)
                             .arg(meters[t].room));
        meter->setAccessibleDescription(meter->format());
    }
    if (keep)
        if (QTreeWidgetItem* item = itemFor(*keep)) tree_->setCurrentItem(item);
    selectionChanged();
}

QTreeWidgetItem* EdidEditTab::itemFor(const ItemRef& ref) const {
    for (int t = 0; t < tree_->topLevelItemCount(); ++t) {
        QTreeWidgetItem* top = tree_->topLevelItem(t);
        if (RefOf(top) == ref) return top;
        for (int c = 0; c < top->childCount(); ++c)
            if (RefOf(top->child(c)) == ref) return top->child(c);
    }
    return nullptr;
}

bool EdidEditTab::select(const ItemRef& ref) {
    QTreeWidgetItem* item = itemFor(ref);
    if (item) tree_->setCurrentItem(item);
    return item;
}

std::optional<EdidEditTab::ItemRef> EdidEditTab::current() const {
    if (const QTreeWidgetItem* item = tree_->currentItem()) return RefOf(item);
    return std::nullopt;
}

void EdidEditTab::selectionChanged() {
    const std::optional<ItemRef> ref = current();
    const bool timing =
        ref &&
        (ref->kind == ItemKind::CtaTiming ||
         (ref->kind == ItemKind::Descriptor &&
          DescriptorKindOf(model_.base.descriptors[ref->index]) == DescriptorKind::DetailedTiming));
    const bool dataBlock = ref && ref->kind == ItemKind::DataBlock;
    remove_->setEnabled(timing || dataBlock);
    up_->setEnabled((timing || dataBlock || (ref && ref->kind == ItemKind::Descriptor)) &&
                    ref->index > 0);
    int count = 0;
    if (ref && ref->kind == ItemKind::Descriptor) count = 4;
    if (ref && ref->kind == ItemKind::DataBlock)
        count = int(model_.cta(ref->block)->dataBlocks.size());
    if (ref && ref->kind == ItemKind::CtaTiming)
        count = int(model_.cta(ref->block)->timings.size());
    down_->setEnabled(ref && ref->index + 1 < count);
    const bool hasCta = [this] {
        for (int b = 1; b < model_.blockCount(); ++b)
            if (model_.cta(b)) return true;
        return false;
    }();
    addBlock_->setEnabled(hasCta);
    addTiming_->setEnabled(!bytes_.isEmpty());

    if (!ref || bytes_.isEmpty()) {
        forms_->setCurrentWidget(info_);
        return;
    }
    if (ref->kind == ItemKind::Identity ||
        (ref->kind == ItemKind::Descriptor &&
         (DescriptorKindOf(model_.base.descriptors[ref->index]) == DescriptorKind::ProductName ||
          DescriptorKindOf(model_.base.descriptors[ref->index]) == DescriptorKind::RangeLimits))) {
        identity_->showModel(model_);
        forms_->setCurrentWidget(identity_);
        return;
    }
    if (ref->kind == ItemKind::DataBlock) {
        dataBlock_->showBlock(ref->block, ref->index,
                              model_.cta(ref->block)->dataBlocks[ref->index]);
        forms_->setCurrentWidget(dataBlock_);
        return;
    }
    const bool dummy =
        ref->kind == ItemKind::Descriptor &&
        DescriptorKindOf(model_.base.descriptors[ref->index]) == DescriptorKind::Dummy;
    if (timing || dummy) {
        const Bytes18& d = ref->kind == ItemKind::Descriptor
                               ? model_.base.descriptors[ref->index]
                               : model_.cta(ref->block)->timings[ref->index];
        calculator_->showTiming(
            timing ? TimingOfDetailed(DecodeDetailedTiming(d)) : FindDmt(0x52)->timing,
            LinkLimitsOf(model_));
        forms_->setCurrentWidget(calculator_);
        return;
    }
    info_->setText(tree_->currentItem()->text(0));
    forms_->setCurrentWidget(info_);
}

void EdidEditTab::applyTiming(const Timing& t) {
    const std::optional<ItemRef> ref = current();
    if (!ref) return;
    // The preferred timing goes in as varnok-cli's edit --preferred writes it.
    if (ref->kind == ItemKind::Descriptor && ref->index == 0) {
        if (const TimingEditPlan plan = PreferredTimingEdit(model_, t); plan.edit)
            apply({*plan.edit}, QStringLiteral("Preferred timing"));
        return;
    }
    const Bytes18& old = ref->kind == ItemKind::Descriptor
                             ? model_.base.descriptors[ref->index]
                             : model_.cta(ref->block)->timings[ref->index];
    const EdidDetailedTiming was = DecodeDetailedTiming(old);
    const bool keepSize = DescriptorKindOf(old) == DescriptorKind::DetailedTiming;
    apply({EdidEdit::setTiming(
              ref->block, ref->index,
              DetailedTimingOf(t, keepSize ? was.hImageMm : 0, keepSize ? was.vImageMm : 0))},
          QStringLiteral("Timing"));
}

void EdidEditTab::addTiming() {
    // A DMT 1920 x 1080 @ 60 to start from; the calculator then makes it the one wanted.
    const TimingEditPlan plan = AddTimingEdit(model_, FindDmt(0x52)->timing);
    if (plan.edit && apply({*plan.edit}, QStringLiteral("Add timing"))) {
        const EdidEdit& e = *plan.edit;
        select({e.block == 0 ? ItemKind::Descriptor : ItemKind::CtaTiming, e.block,
                e.block == 0 ? e.index : int(model_.cta(e.block)->timings.size()) - 1});
    }
}

void EdidEditTab::addDataBlock() {
    const auto kind = CtaBlockKind(blockKind_->currentData().toInt());
    for (int b = 1; b < model_.blockCount(); ++b)
        if (const CtaExtension* cta = model_.cta(b)) {
            const int index = int(cta->dataBlocks.size());
            if (apply({EdidEdit::addDataBlock(b, index, NewCtaDataBlock(kind))},
                      QStringLiteral("Add data block")))
                select({ItemKind::DataBlock, b, index});
            return;
        }
}

void EdidEditTab::removeItem() {
    const std::optional<ItemRef> ref = current();
    if (!ref) return;
    if (ref->kind == ItemKind::DataBlock)
        apply({EdidEdit::removeDataBlock(ref->block, ref->index)},
              QStringLiteral("Remove data block"));
    else if (ref->kind == ItemKind::Descriptor || ref->kind == ItemKind::CtaTiming)
        apply({EdidEdit::removeTiming(ref->block, ref->index)}, QStringLiteral("Remove timing"));
}

void EdidEditTab::moveItem(int by) {
    const std::optional<ItemRef> ref = current();
    if (!ref) return;
    const int to = ref->index + by;
    const bool moved =
        ref->kind == ItemKind::DataBlock
            ? apply({EdidEdit::moveDataBlock(ref->block, ref->index, to)},
                    QStringLiteral("Move data block"))
            : apply({EdidEdit::moveTiming(ref->block, ref->index, to)}, QStringLiteral("Move"));
    if (moved) select({ref->kind, ref->block, to});
}

}  // namespace varnok
