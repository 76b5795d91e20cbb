#pragma once
// Smart-card reader: reads the card holder's data as text fields separated
// by "/", the fiscal code in the third field ("ROSSI/MARIO/RSSMRA80A01H501U").
// The login asks the reader in force; tests install a stand-in.

#include <QByteArray>
#include <QString>

namespace nimbo {

struct CardHolder {
    bool ok = false;
    QString text;  // "/"-separated holder data when ok
    QString error; // why the card could not be read
};

class CardReader {
public:
    virtual ~CardReader() = default;
    virtual CardHolder readHolder() = 0;
};

// The reader through the PC/SC daemon: the first reader with a card in it.
class PcscCardReader : public CardReader {
public:
    CardHolder readHolder() override;

    // The holder file of the card: a total length in six hexadecimal digits,
    // then fields each preceded by their length in two hexadecimal digits
    // (issuer, issue date, expiry date, surname, first name, birth date, sex,
    // height, fiscal code, ...). Returns "surname/first name/fiscal code";
    // empty when the content does not have that shape.
    static QString holderText(const QByteArray &file);
};

// The reader in force: the PC/SC one unless another was installed.
CardReader &cardReader();
// Installs r (not owned); nullptr restores the PC/SC reader.
void setCardReader(CardReader *r);

} // namespace nimbo
