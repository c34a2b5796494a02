# The R face of kelvarin: the arguments checked here, in R's terms, and the
# work done by the programs' own C++ code (src/), whose results come back as
# R values. A file the reader refuses is an R condition of class
# "kelvarin_error"; nothing here can end the session.

# The largest single-precision value: the reader refuses any value beyond it.
largest_float <- 3.4028234663852886e38

kelvarin_error <- function(message, file, line = NA_integer_, column = NA_integer_) {
  structure(class = c("kelvarin_error", "error", "condition"),
            list(message = message, call = NULL, file = file, line = line, column = column))
}

check_string <- function(x, what) {
  if (!is.character(x) || length(x) != 1L || is.na(x)) {
    stop(what, " must be one string (not NA)", call. = FALSE)
  }
}

check_whole <- function(x, what, low, high) {
  if (!is.numeric(x) || length(x) != 1L || is.na(x) || !is.finite(x) || x != floor(x) ||
      x < low || x > high) {
    stop(sprintf("%s must be a whole number from %s to %s", what,
                 format(low, scientific = FALSE), format(high, scientific = FALSE)),
         call. = FALSE)
  }
}

default_names <- function(n) paste0("P", seq_len(n))

read_group <- function(path) {
  check_string(path, "path")
  read <- .Call(kelvarin_read_group, path.expand(path))
  if (nzchar(read$failure)) {
    errors <- read$errors
    line <- if (length(errors$line)) errors$line[[1L]] else NA_integer_
    column <- if (length(errors$column)) errors$column[[1L]] else NA_integer_
    detail <- if (length(errors$message)) paste0(" (", errors$message[[1L]], ")") else ""
    place <- if (is.na(line)) path else paste0(path, ":", line, ":", column)
    # kelvarin's message, without the colon that is followed by the name there.
    failure <- sub(":$", "", read$failure)
    stop(kelvarin_error(paste0(place, ": ", failure, detail), path, line, column))
  }
  n <- nrow(read$influence)
  influence <- read$influence
  dimnames(influence) <- list(default_names(n), default_names(n))
  description <- read$description
  attr(description, "bytes") <- read$description_bytes
  structure(class = "kelvarin_group",
            list(file = path, description = description, n = n, influence = influence,
                 warnings = data.frame(line = read$warnings$line,
                                       column = read$warnings$column,
                                       message = read$warnings$message)))
}

print.kelvarin_group <- function(x, ...) {
  cat(sprintf("<kelvarin group: %d players, read from %s>\n", x$n, x$file))
  cat("Description:", x$description, "\n")
  if (nrow(x$warnings) > 0L) {
    cat(sprintf("%d warning(s) reading the file; the first, line %s column %s: %s\n",
                nrow(x$warnings), x$warnings$line[[1L]], x$warnings$column[[1L]],
                x$warnings$message[[1L]]))
  }
  print(x$influence)
  invisible(x)
}

# Check an influence matrix as the programs would have it after reading;
# return its values as doubles.
check_influence <- function(influence) {
  if (!is.matrix(influence) || !(is.double(influence) || is.integer(influence))) {
    stop("influence must be a numeric matrix", call. = FALSE)
  }
  n <- nrow(influence)
  if (ncol(influence) != n) {
    stop(sprintf("influence must be square, not %d by %d", n, ncol(influence)), call. = FALSE)
  }
  if (n < 2L || n > 20L) {
    stop(sprintf("a group has 2 to 20 players, not %d", n), call. = FALSE)
  }
  values <- as.double(influence)
  bad <- which(!is.finite(values) | abs(values) > largest_float)
  if (length(bad)) {
    row <- (bad[[1L]] - 1L) %% n + 1L
    col <- (bad[[1L]] - 1L) %/% n + 1L
    stop(sprintf("influence[%d, %d] is %s: every value must be a finite number of single precision's range",
                 row, col, format(values[[bad[[1L]]]])), call. = FALSE)
  }
  values
}

analyse <- function(influence, names = NULL, description = NULL) {
  group_description <- NULL
  if (inherits(influence, "kelvarin_group")) {
    group_description <- influence$description
    influence <- influence$influence
  }
  # A data frame of numeric columns is a matrix. Its row names number its
  # rows (those of a split data frame go on from the rows before), and its
  # columns' names are the columns', so neither names the players.
  if (is.data.frame(influence) && all(vapply(influence, is.numeric, TRUE))) {
    influence <- unname(as.matrix(influence))
  }
  values <- check_influence(influence)
  n <- nrow(influence)
  if (is.null(names)) {
    names <- rownames(influence)
    if (is.null(names)) names <- colnames(influence)
    if (is.null(names)) names <- default_names(n)
  }
  if (!is.character(names) || length(names) != n || anyNA(names)) {
    stop(sprintf("names must be %d strings, one for each player", n), call. = FALSE)
  }
  if (is.null(description)) {
    description <- if (is.null(group_description)) "" else group_description
  }
  check_string(description, "description")
  bytes <- attr(description, "bytes")
  if (is.null(bytes)) bytes <- charToRaw(enc2utf8(description))
  description <- as.character(description)
  attr(description, "bytes") <- bytes

  a <- .Call(kelvarin_analyse, values, n)
  others <- names[-a$empath]
  influence <- a$influence
  dimnames(influence) <- list(names, names)
  m <- a$m
  dimnames(m) <- list(others, others)
  q <- a$q
  if (!is.null(q)) names(q) <- others
  structure(class = "kelvarin", list(
    description = description,
    n = n,
    players = names,
    influence = influence,
    column_sums = stats::setNames(a$column_sums, names),
    row_sums = stats::setNames(a$row_sums, names),
    empath = stats::setNames(a$empath, names[[a$empath]]),
    driver = stats::setNames(a$driver, names[[a$driver]]),
    empath_margin = a$empath_margin,
    driver_margin = a$driver_margin,
    empath_near_ties = a$empath_near_ties,
    driver_near_ties = a$driver_near_ties,
    v = stats::setNames(a$v, others),
    m = m,
    q = q,
    s_e = a$s_e,
    determinant = a$determinant,
    condition = a$condition,
    log_condition = a$log_condition,
    status = a$status,
    message = a$message))
}

fixed4 <- function(x) if (is.na(x)) "none" else formatC(x, format = "f", digits = 4)

format.kelvarin <- function(x, style = c("summary", "report"), ...) {
  style <- match.arg(style)
  if (style == "report") {
    report <- .Call(kelvarin_report, as.double(x$influence), x$n,
                    attr(x$description, "bytes"))
    return(rawToChar(report))
  }
  tie <- function(ties) if (ties > 0L) " (near tie)" else ""
  c(sprintf("<kelvarin analysis: %d players, status %s>", x$n, x$status),
    if (nzchar(x$description)) paste("Description:", x$description),
    sprintf("Empath: %s, player %d, ahead by %s%s", names(x$empath), x$empath,
            fixed4(x$empath_margin), tie(x$empath_near_ties)),
    sprintf("Driver: %s, player %d, ahead by %s%s", names(x$driver), x$driver,
            fixed4(x$driver_margin), tie(x$driver_near_ties)),
    sprintf("S_E %s, det M %s, cond_1(M) %s (log10 %s)", fixed4(x$s_e), fixed4(x$determinant),
            fixed4(x$condition), fixed4(x$log_condition)),
    if (nzchar(x$message)) x$message)
}

print.kelvarin <- function(x, ...) {
  writeLines(format(x))
  invisible(x)
}

# kelvarin-table's analysis of paths, with the draws when d is above 0.
table_of <- function(paths, jobs, d = 0, draws = 0, seed = "1") {
  if (!is.character(paths) || anyNA(paths)) {
    stop("paths must be a character vector without NA", call. = FALSE)
  }
  check_whole(jobs, "jobs", 1, 1024)
  .Call(kelvarin_analyse_files, path.expand(paths), paths, as.integer(jobs), as.double(d),
        as.double(draws), seed)
}

analyse_files <- function(paths, jobs = 1) {
  columns <- table_of(paths, jobs)$columns
  structure(columns, class = "data.frame", row.names = seq_along(paths))
}

check_draws <- function(d, draws, seed) {
  if (!is.numeric(d) || length(d) != 1L || is.na(d) || !is.finite(d) || d <= 0 ||
      d > largest_float) {
    stop("d must be one finite number above 0 (the largest error of a value)", call. = FALSE)
  }
  check_whole(draws, "draws", 1, 1e6)
  if (is.character(seed) && length(seed) == 1L && !is.na(seed) && grepl("^[0-9]+$", seed)) {
    return(seed)
  }
  check_whole(seed, "seed", 0, 2^53)
  sprintf("%.0f", seed)
}

draws_result <- function(d, players) {
  list(draws = d$draws, empath_share = d$empath_share, driver_share = d$driver_share,
       singular_share = d$singular_share, s_e_low = d$s_e_low, s_e_median = d$s_e_median,
       s_e_high = d$s_e_high,
       players = data.frame(player = seq_along(players), name = players,
                            empath_share = d$player_empath_share,
                            driver_share = d$player_driver_share))
}

perturb <- function(x, d, draws = 1000, seed = 1) UseMethod("perturb")

perturb.default <- function(x, d, draws = 1000, seed = 1) {
  check_string(x, "x (a data file's path, or an analysis)")
  seed <- check_draws(d, draws, seed)
  table <- table_of(x, 1, d, draws, seed)
  if (is.null(table$draws[[1L]])) {
    stop(kelvarin_error(paste0(x, ": ", table$columns$message), x))
  }
  draws_result(table$draws[[1L]], default_names(table$columns$players))
}

perturb.kelvarin <- function(x, d, draws = 1000, seed = 1) {
  seed <- check_draws(d, draws, seed)
  draws_result(.Call(kelvarin_perturb, as.double(x$influence), x$n, as.double(d),
                     as.double(draws), seed), x$players)
}

as_dot <- function(x, view = c("network", "heatmap", "focus"), names = NULL, min = 0, top = 0)
  UseMethod("as_dot")

as_dot.default <- function(x, view = c("network", "heatmap", "focus"), names = NULL, min = 0,
                           top = 0) {
  as_dot(analyse(read_group(x)), view = view, names = names, min = min, top = top)
}

as_dot.kelvarin <- function(x, view = c("network", "heatmap", "focus"), names = NULL, min = 0,
                            top = 0) {
  view <- match.arg(view)
  if (is.null(names)) {
    names <- if (identical(x$players, default_names(x$n))) character() else x$players
  }
  if (!is.character(names) || length(names) > x$n || anyNA(names)) {
    stop(sprintf("names must be at most %d strings", x$n), call. = FALSE)
  }
  if (!is.numeric(min) || length(min) != 1L || is.na(min) || !is.finite(min) || min < 0) {
    stop("min must be one finite number of at least 0", call. = FALSE)
  }
  check_whole(top, "top", 0, 1e6)
  .Call(kelvarin_dot, as.double(x$influence), x$n, attr(x$description, "bytes"), view,
        enc2utf8(names), as.double(min), as.integer(top))
}

# The doubles that texts stand for, correctly rounded (std::from_chars); NA
# for an empty text. R's own reading of a number's text can miss the nearest
# double by a unit in the last place, which the tests tell apart.
read_numbers <- function(texts) .Call(kelvarin_read_numbers, as.character(texts))
