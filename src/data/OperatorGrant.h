#pragma once
// Who may give what to an operator: nobody gives a level above his own (so
// nobody raises his own), and nobody enables a function that is withheld
// from himself. What the operator already holds he keeps: a level-8
// administrator may still correct the phone number of a level-9 one. The
// operators' window offers nothing more and checks it before writing; the
// generic server checks every write of the operators' table all the same.

#include <QString>

namespace OperatorGrant {

struct Rights {
    QString level;    // Op_Livello; empty: not given
    QString withheld; // Op_Funzioni, the withheld functions "-A-B-"
};

// The refusal of `wanted` given by an operator who holds `own`, for an
// operator who held `before` (nothing for a new one); empty when he may.
QString refusal(const Rights &own, const Rights *before, const Rights &wanted);

} // namespace OperatorGrant
