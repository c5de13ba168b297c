#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// A ~/.netrc read exactly as the mail library (libcurl 7.88 of Debian 12) reads it, so that the
// entry we change is the one it uses and nothing else in the file changes meaning:
// - the file is read line by line; a line of 4095 bytes or more is skipped whole, and a NUL
//   byte ends the reading of its line and drops the line after it;
// - blanks (space, tab) separate tokens; any other white space (a CR, a vertical tab) where a
//   token would start stands for an empty token, so a keyword and its value must share a CRLF
//   line;
// - "#" where a token would start makes the rest of the line a comment;
// - a token that starts with a double quote runs to the next unescaped quote on its line and
//   knows \n, \r and \t; one character after the closing quote is skipped; a quote that is
//   not closed on its line makes the whole file unreadable from there on. A quote inside a
//   token is an ordinary character;
// - keywords (machine, default, macdef, login, password) are matched without regard to case;
//   "default" counts wherever a keyword is looked for;
// - a macro body, skipped, runs from the line after "macdef" to a line that starts with a CR or
//   LF; an empty token on the macdef line (a CRLF line end) ends the macro at once.
class NetrcFile
{
public:
    explicit NetrcFile(const QByteArray& data);

    // What the mail library finds for a host and user name (none: the first user of the host).
    struct Lookup
    {
        enum class Status
        {
            NotFound,
            Found,
            // A quotation mark is not closed on line errorLine: the library gives up there.
            Unreadable
        };
        Status status = Status::NotFound;
        bool hasPassword = false; // found with no password: the library sends an empty one
        // Whether the entry it ends in is the user name's own: at the end of the file the
        // library may also hand out the password of another user of the host.
        bool loginMatches = false;
        QByteArray login;
        QByteArray password;
        // Where they stand (token indexes), and whether they belong to the "default" entry.
        qsizetype loginToken = -1;
        qsizetype passwordToken = -1;
        bool loginInDefault = false;
        bool passwordInDefault = false;
        int errorLine = 0;

        bool sameAnswer(const Lookup& other) const;
    };
    Lookup find(const QByteArray& host, const std::optional<QByteArray>& login) const;

    // The file with the password of "machine host login login" set to password: the entry the
    // library uses gets the new password; else a new entry is added (before "default", which
    // must stay last). Every other byte stays as it was, and every other lookup gives what it
    // gave before; nullopt with the reason when that cannot be done.
    std::optional<QByteArray> withPassword(const QByteArray& host, const QByteArray& login,
                                           const QByteArray& password, QString* error) const;

    // A value written so that the library reads it back as it is: bare, or quoted.
    static QByteArray quoted(const QByteArray& value);

private:
    struct Token
    {
        qsizetype begin = 0; // in the file; for a quoted token, at its opening quote
        qsizetype end = 0;   // after its last byte (its closing quote)
        QByteArray text;     // as the library reads it
        bool unclosed = false;
    };
    struct Line
    {
        qsizetype firstToken = 0;
        qsizetype endToken = 0;
        bool startsBlank = false; // starts with CR or LF: ends a macro body
        int number = 0;
    };

    // A host and a user name (none: the host's first user).
    using Account = std::pair<QByteArray, std::optional<QByteArray>>;

    void readLine(qsizetype begin, qsizetype length, int number);
    QList<Account> accounts() const;

    QByteArray m_data;
    QList<Token> m_tokens;
    QList<Line> m_lines;
};
