#pragma once

#include "KlientIndex.h"

#include <QList>

// The order of the customer list: by the key "<FIO>|<position in the number form>", Russian
// collation, letter case ignored; equal full names follow the text order of their positions.
// Returns the index positions in list order.
QList<int> fioOrder(const KlientIndex &index);
