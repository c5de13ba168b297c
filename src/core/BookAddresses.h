#pragma once

#include <QString>
#include <QStringList>

// The addresses the find-a-book window sends its web view to: the books index's author and
// title search, and the fixed list of other book sites. Hosts come from the settings store.
namespace BookAddresses {
// The index search: the boxes' texts exactly as typed, each encoded whole as a query value.
QString search(const QString& author, bool exactAuthorStart, const QString& title,
               bool exactTitleStart);

// The sites box's entries in order; "-" marks a separator that leads nowhere.
QStringList siteEntries();
// The address of the entry at a position of the sites box, empty for a separator or a position
// outside the list.
QString siteAddress(int position);
} // namespace BookAddresses
