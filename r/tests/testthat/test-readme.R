# The README's example from R runs as it stands, in the repository's folder,
# and r/README.md's three groups held in a data frame are analysed.

# The indented code block after heading in the Markdown file at path.
code_after <- function(path, heading, block = 1) {
  lines <- readLines(path, warn = FALSE)
  start <- match(heading, lines)
  code <- lines[seq(start + 1, length(lines))]
  indented <- grepl("^    ", code) | code == ""
  runs <- rle(grepl("^    ", code))
  ends <- cumsum(runs$lengths)
  which_runs <- which(runs$values)
  # Blank lines inside a block belong to it.
  first <- ends[which_runs[block]] - runs$lengths[which_runs[block]] + 1
  last <- first
  while (last < length(code) && indented[last + 1]) last <- last + 1
  while (code[last] == "") last <- last - 1
  sub("^    ", "", code[first:last])
}

test_that("the README's five lines from R run", {
  root <- repository()
  code <- code_after(file.path(root, "README.md"), "## From R")
  expect_length(code, 5)
  old <- setwd(root)
  on.exit(setwd(old))
  out <- utils::capture.output(for (line in code) print(eval(parse(text = line))))
  expect_true(any(grepl("Empath: Cy, player 3", out)))
  expect_true(any(grepl("examples/group20.dat", out)))
})

test_that("r/README.md's groups in a data frame are analysed", {
  readme <- file.path(repository(), "r", "README.md")
  wide <- eval(parse(text = code_after(readme, "## Use", 2)))
  expect_identical(names(wide), c("east", "north", "south"))
  expect_equal(wide[["north"]], 7 / 12, tolerance = 1e-6)
  result <- eval(parse(text = code_after(readme, "## Use", 3)))
  expect_identical(rownames(result), c("a", "b", "c"))
  expect_identical(result$status, rep("ok", 3))
  expect_identical(result$empath, c(2L, 2L, 2L))
})
