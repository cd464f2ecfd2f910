#include "shapes/MSerialNumber.h"

#include <algorithm>

void MSerialNumberTally::Add(int number)
{
    if (Counted(number))
        ++carriers_[std::size_t(number)];
}

void MSerialNumberTally::Remove(int number)
{
    if (Counted(number) && --carriers_[std::size_t(number)] == 0)
        firstFree_ = std::min(firstFree_, number);
}

int MSerialNumberTally::FirstFree() const
{
    while (firstFree_ <= Last && carriers_[std::size_t(firstFree_)] > 0)
        ++firstFree_;
    return firstFree_ <= Last ? firstFree_ : First;
}

MSerialNumber& MSerialNumber::operator=(int value)
{
    if (tally_) {
        tally_->Remove(value_);
        tally_->Add(value);
    }
    value_ = value;
    return *this;
}

void MSerialNumber::TallyIn(MSerialNumberTally* tally)
{
    if (tally_)
        tally_->Remove(value_);
    tally_ = tally;
    if (tally_)
        tally_->Add(value_);
}
