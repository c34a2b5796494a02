library(testthat)
library(kelvarin)

test_check("kelvarin")
