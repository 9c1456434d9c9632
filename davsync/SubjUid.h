// The UID and resource name a subject gets when it first goes to the server.
// Every computer derives them the same way from the subject's key (its date
// and title), so two computers that make the same subject (the batch's
// generated subjects above all) make one item: the second one's create finds
// the name taken and adopts the item. A UID already given to another item
// (a generated subject moved to another day keeps the UID of the day it was
// made for) is passed over for the next in the series -2, -3, ..., which
// every computer that knows the moved item passes over alike.
#pragma once

#include <QString>

#include <string>

#include "DavState.h"

// The `n`th UID (from 1) of the subject with `key`: "<32 hex digits>-d@veskat",
// then "-d2@veskat", "-d3@veskat" ... for a dated subject (`mark` 'd'); a
// repeating one, keyed by its title alone, has 'r' in place of the 'd'.
std::string DerivedUid(const KeyBytes& key, int n, char mark = 'd');

// The resource name of the item with the derived UID `uid`: the UID without
// "@veskat", and ".ics".
QString ItemName(const std::string& uid);
