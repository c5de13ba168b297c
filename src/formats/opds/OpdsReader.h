#pragma once

#include "formats/opds/OpdsFeed.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

// Reads a catalog page: an Atom feed (OPDS 1.2), a single Atom entry, or OPDS 2 JSON, told
// apart by the bytes themselves, since catalogs often send them with a vague media type. Only
// web addresses (http, https) are kept; a page too long for a catalog is cut at MaxEntries.
namespace Opds {
inline constexpr int MaxEntries = 5000;

// False with a readable error when the bytes are not a catalog page.
bool readFeed(const QByteArray& data, const QUrl& address, Feed* feed, QString* error);

// The search template of an OpenSearch description, made absolute; empty (with an error)
// when the description offers no search the program can read.
QString readSearchDescription(const QByteArray& data, const QUrl& address, QString* error);
// The address that searches for terms: "{searchTerms}" (OpenSearch) or "{?query}" (a URI
// template, as OPDS 2 writes it) filled in, every other parameter left empty.
QUrl searchAddress(const QString& searchTemplate, const QString& terms);

// Used by both readers: an address of the page made absolute, or empty unless it is a web
// address.
QString webAddress(const QUrl& page, const QString& href);
// The same for an address template: its "{...}" expressions are kept as they are.
QString templateAddress(const QUrl& page, const QString& href);
// A text from a catalog, cut to a sane length.
QString boundedText(const QString& text);
} // namespace Opds
