#pragma once
// The seven sub-pages of the creator, built from the control tables: every check box and edit
// with its objectName, caption and initial text, each edit with its caption label as buddy.
// Only the layout lives here; the reactions are connected by CreatorPages.

class QTabWidget;

namespace varnok {

// Adds the pages "Descriptor" .. "Others" to pageControl2, in tab order, and makes
// "Descriptor" the current one. The detail panels start collapsed.
void BuildCreatorSubPages(QTabWidget* pageControl2);

}  // namespace varnok
