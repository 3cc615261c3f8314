#include "tests/exceptions/vmt_samples.h"

int TVmtSample::Value() const
{
    return 1;
}

int TVmtSample::Other() const
{
    return 3;
}

int TVmtSampleChild::Value() const
{
    return 2;
}

__attribute__((noipa)) TVmtSample* NewVmtSample(bool child)
{
    return child ? new TVmtSampleChild : new TVmtSample;
}

__attribute__((noipa)) int CallValue(const TVmtSample& sample)
{
    return sample.Value();
}
