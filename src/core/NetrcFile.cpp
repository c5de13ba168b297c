#include "core/NetrcFile.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <set>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("NetrcFile", text);
}

// The library reads a line into a buffer of this size, its terminating NUL included.
constexpr qsizetype LineBuffer = 4096;
// Every edit is checked against every account of the file; beyond this size that would take
// too long for a file no one writes by hand.
constexpr qsizetype LargestEdited = 64 * 1024;
// A host no entry names, to ask what the "default" entry gives.
const QByteArray UnlistedHost = "unlisted.invalid";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isSpace(char c)
{
    return isBlank(c) || (c >= '\n' && c <= '\r');
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// A keyword that takes the next token as its value.
bool takesValue(const QByteArray& token)
{
    for (const char* keyword : {"machine", "login", "password", "account", "macdef"}) {
        if (sameIgnoringCase(token, keyword)) {
            return true;
        }
    }
    return false;
}
} // namespace

bool NetrcFile::Lookup::sameAnswer(const Lookup& other) const
{
    return status == other.status && hasPassword == other.hasPassword &&
           loginMatches == other.loginMatches && login == other.login && password == other.password;
}

NetrcFile::NetrcFile(const QByteArray& data) : m_data(data)
{
    // Line by line as the library's reader hands them out: a whole line ending in LF (the last
    // one may lack it), a line too long for the buffer skipped whole, and a line cut short by a
    // NUL byte taken as too long, which also drops the line after it.
    const qsizetype n = m_data.size();
    qsizetype pos = 0;
    bool skipping = false;
    int number = 1;
    while (pos < n) {
        const qsizetype begin = pos;
        bool newline = false;
        while (pos < n && pos - begin < LineBuffer - 1) {
            if (m_data[pos++] == '\n') {
                newline = true;
                break;
            }
        }
        const bool atEnd = !newline && pos >= n && pos - begin < LineBuffer - 1;
        const char* chunk = m_data.constData() + begin;
        const auto* nul = static_cast<const char*>(std::memchr(chunk, '\0', size_t(pos - begin)));
        const qsizetype length = nul ? nul - chunk : pos - begin;
        const int lineNumber = number;
        number += newline ? 1 : 0;
        if (length == 0) {
            break;
        }
        if (m_data[begin + length - 1] == '\n') {
            if (skipping) {
                skipping = false;
            } else {
                readLine(begin, length, lineNumber);
            }
        } else if (atEnd) {
            if (!skipping) {
                readLine(begin, length, lineNumber);
            }
            break;
        } else {
            skipping = true;
        }
    }
}

void NetrcFile::readLine(qsizetype begin, qsizetype length, int number)
{
    QByteArray line = m_data.mid(begin, length);
    if (!line.endsWith('\n')) {
        line += '\n';
    }
    Line record;
    record.firstToken = m_tokens.size();
    record.startsBlank = line[0] == '\n' || line[0] == '\r';
    record.number = number;
    const qsizetype size = line.size();
    qsizetype i = 0;
    while (true) {
        while (i < size && isBlank(line[i])) {
            ++i;
        }
        if (i >= size || line[i] == '#') {
            break;
        }
        Token token;
        token.begin = begin + i;
        qsizetype end = i;
        if (line[i] == '"') {
            bool escape = false;
            bool closed = false;
            for (++end; end < size; ++end) {
                char c = line[end];
                if (escape) {
                    escape = false;
                    c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
                } else if (c == '\\') {
                    escape = true;
                    continue;
                } else if (c == '"') {
                    ++end;
                    closed = true;
                    break;
                }
                token.text += c;
            }
            token.unclosed = escape || !closed;
        } else {
            // Any white space ends the token; one that is not a blank stands where a token
            // starts, and so makes an empty one (a CR before LF does).
            while (end < size && !isSpace(line[end])) {
                ++end;
            }
            token.text = line.mid(i, end - i);
        }
        token.end = begin + std::min(end, length);
        m_tokens.append(token);
        if (token.unclosed) {
            break;
        }
        // One byte after the token is passed over: the blank that ended it, or whatever
        // follows a closing quote.
        i = end + 1;
    }
    record.endToken = m_tokens.size();
    m_lines.append(record);
}

NetrcFile::Lookup NetrcFile::find(const QByteArray& host,
                                  const std::optional<QByteArray>& login) const
{
    enum class State
    {
        Nothing,
        HostNamed, // after "machine"
        InEntry,   // in the entry of our host, or in "default"
        Macro
    };
    enum class Keyword
    {
        None,
        Login,
        Password
    };
    const bool specific = login.has_value();
    State state = State::Nothing;
    Keyword keyword = Keyword::None;
    bool loginSeen = false;
    bool passwordSeen = false;
    bool ourLogin = false;
    bool hostFound = false;
    bool inDefault = false;
    Lookup found;
    auto is = [](const Token& token, QByteArrayView word) {
        return sameIgnoringCase(token.text, word);
    };

    bool done = false;
    for (qsizetype l = 0; l < m_lines.size() && !done; ++l) {
        const Line& line = m_lines[l];
        if (state == State::Macro) {
            if (!line.startsBlank) {
                continue;
            }
            state = State::Nothing;
        }
        for (qsizetype k = line.firstToken; k < line.endToken && !done; ++k) {
            const Token& token = m_tokens[k];
            if (token.unclosed) {
                Lookup unreadable;
                unreadable.status = Lookup::Status::Unreadable;
                unreadable.errorLine = line.number;
                return unreadable;
            }
            switch (state) {
            case State::Nothing:
                if (is(token, "macdef")) {
                    state = State::Macro;
                } else if (is(token, "machine")) {
                    state = State::HostNamed;
                    keyword = Keyword::None;
                    loginSeen = passwordSeen = ourLogin = false;
                    found.passwordToken = -1;
                    if (!specific) {
                        found.loginToken = -1;
                    }
                } else if (is(token, "default")) {
                    state = State::InEntry;
                    hostFound = inDefault = true;
                }
                break;
            case State::Macro:
                if (token.text.isEmpty()) {
                    state = State::Nothing;
                }
                break;
            case State::HostNamed:
                if (sameIgnoringCase(host, token.text)) {
                    state = State::InEntry;
                    hostFound = true;
                    inDefault = false;
                } else {
                    state = State::Nothing;
                }
                break;
            case State::InEntry:
                if (keyword == Keyword::Login) {
                    ourLogin = !specific || token.text == *login;
                    if (ourLogin) {
                        found.loginToken = k;
                        found.loginInDefault = inDefault;
                    }
                    loginSeen = true;
                    keyword = Keyword::None;
                } else if (keyword == Keyword::Password) {
                    found.passwordToken = k;
                    found.passwordInDefault = inDefault;
                    passwordSeen = true;
                    keyword = Keyword::None;
                } else if (is(token, "login")) {
                    keyword = Keyword::Login;
                } else if (is(token, "password")) {
                    keyword = Keyword::Password;
                } else if (is(token, "machine")) {
                    // The library forgets what it found, but not whether the login was ours.
                    state = State::HostNamed;
                    keyword = Keyword::None;
                    loginSeen = passwordSeen = false;
                    found.passwordToken = -1;
                    if (!specific) {
                        found.loginToken = -1;
                    }
                } else if (is(token, "default")) {
                    hostFound = inDefault = true;
                    found.passwordToken = -1;
                    if (!specific) {
                        found.loginToken = -1;
                    }
                }
                done = loginSeen && passwordSeen && ourLogin;
                break;
            }
        }
    }
    if (!hostFound || (found.passwordToken < 0 && !ourLogin)) {
        return Lookup();
    }
    found.status = Lookup::Status::Found;
    found.loginMatches = ourLogin;
    found.hasPassword = found.passwordToken >= 0;
    if (found.hasPassword) {
        found.password = m_tokens[found.passwordToken].text;
    }
    if (specific) {
        found.login = *login;
    } else if (found.loginToken >= 0) {
        found.login = m_tokens[found.loginToken].text;
    }
    return found;
}

QByteArray NetrcFile::quoted(const QByteArray& value)
{
    bool bare = !value.isEmpty() && value[0] != '"' && value[0] != '#';
    for (char c : value) {
        bare = bare && !isSpace(c) && c != '\0';
    }
    if (bare) {
        return value;
    }
    QByteArray text = "\"";
    for (char c : value) {
        switch (c) {
        case '"':
            text += "\\\"";
            break;
        case '\\':
            text += "\\\\";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\t':
            text += "\\t";
            break;
        default:
            text += c;
        }
    }
    return text + '"';
}

QList<NetrcFile::Account> NetrcFile::accounts() const
{
    // Every host and user name the file mentions, paired as its entries pair them, each host
    // also with no user name, and each user name also with a host that only "default" serves.
    std::set<Account> all;
    all.insert({UnlistedHost, std::nullopt});
    QByteArray host = UnlistedHost;
    for (qsizetype k = 0; k + 1 < m_tokens.size(); ++k) {
        const QByteArray& text = m_tokens[k].text;
        const QByteArray& next = m_tokens[k + 1].text;
        if (sameIgnoringCase(text, "machine")) {
            host = next;
            all.insert({host, std::nullopt});
        } else if (sameIgnoringCase(text, "default")) {
            host = UnlistedHost;
        } else if (sameIgnoringCase(text, "login")) {
            all.insert({host, next});
            all.insert({UnlistedHost, next});
        }
    }
    return {all.begin(), all.end()};
}

std::optional<QByteArray> NetrcFile::withPassword(const QByteArray& host, const QByteArray& login,
                                                  const QByteArray& password, QString* error) const
{
    auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (m_data.size() > LargestEdited) {
        return fail(tr("The file is larger than %1 KiB, more than this program changes.")
                        .arg(LargestEdited / 1024));
    }
    const Lookup now = find(host, login);
    if (now.status == Lookup::Status::Unreadable) {
        return fail(tr("A quotation mark on line %1 is not closed, so the mail library cannot "
                       "read the file. Correct that line, then save again.")
                        .arg(now.errorLine));
    }
    const QByteArray value = quoted(password);
    const QByteArray lineEnd = m_data.contains("\r\n") ? "\r\n" : "\n";
    const QByteArray entry =
        "machine " + quoted(host) + " login " + quoted(login) + " password " + value;
    if (entry.size() + lineEnd.size() > LineBuffer - 1) {
        return fail(tr("The password is too long for the file."));
    }

    // The ways to make the change, the smallest first; the first the library reads as meant is
    // taken.
    QList<QByteArray> candidates;
    if (now.status == Lookup::Status::Found && now.hasPassword && !now.passwordInDefault) {
        const Token& old = m_tokens[now.passwordToken];
        QByteArray changed = m_data;
        if (old.begin == old.end) {
            // An empty value made by the line's end: the new one goes before its CR.
            qsizetype at = old.begin;
            if (at > 0 && m_data[at - 1] == '\r') {
                --at;
            }
            changed.insert(at, (at > 0 && isBlank(m_data[at - 1]) ? "" : " ") + value);
        } else {
            changed.replace(old.begin, old.end - old.begin, value);
        }
        candidates << changed;
    }
    if (now.status == Lookup::Status::Found && !now.hasPassword && now.loginToken >= 0 &&
        !now.loginInDefault) {
        candidates << QByteArray(m_data).insert(m_tokens[now.loginToken].end, " password " + value);
    }
    // A new entry goes before "default", which must stay the last entry...
    for (qsizetype k = 0; k < m_tokens.size(); ++k) {
        if (sameIgnoringCase(m_tokens[k].text, "default") &&
            (k == 0 || !takesValue(m_tokens[k - 1].text))) {
            candidates << QByteArray(m_data).insert(m_tokens[k].begin, entry + lineEnd);
            break;
        }
    }
    // ... or at the end, after an empty line where a macro body would take it in.
    QByteArray ended = m_data;
    if (!ended.isEmpty() && !ended.endsWith('\n')) {
        ended += lineEnd;
    }
    candidates << ended + entry + lineEnd << ended + lineEnd + entry + lineEnd;

    // Every other account must read as before. Our own entry, and the first user of our host,
    // are meant to change.
    QList<std::pair<Account, Lookup>> others;
    for (const Account& account : accounts()) {
        if (!sameIgnoringCase(account.first, host) ||
            (account.second && *account.second != login)) {
            others.append({account, find(account.first, account.second)});
        }
    }
    for (const QByteArray& candidate : candidates) {
        const NetrcFile changed(candidate);
        const Lookup after = changed.find(host, login);
        const bool meant = after.status == Lookup::Status::Found && after.hasPassword &&
                           after.loginMatches && after.password == password &&
                           !after.passwordInDefault;
        if (meant && std::all_of(others.cbegin(), others.cend(), [&](const auto& other) {
                return other.second.sameAnswer(changed.find(other.first.first, other.first.second));
            })) {
            return candidate;
        }
    }
    return fail(tr("A new entry for %1 would change how the mail library reads the entries "
                   "already in the file.")
                    .arg(QString::fromUtf8(host)));
}
