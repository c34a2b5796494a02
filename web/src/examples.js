// The data files of examples/, carried in the page: a button for each
// loads it as if it had been opened.
import examples from 'examples';

// Add to element a button for each example ({name, bytes}), with the id
// example-NAME (NAME without .dat) and its description as its title; a
// click gives load the example as a File.
export function showExamples(element, load) {
  const decoder = new TextDecoder();
  for (const [name, bytes] of examples) {
    const button = element.ownerDocument.createElement('button');
    button.type = 'button';
    button.id = 'example-' + name.replace(/\.dat$/, '');
    button.textContent = name;
    button.title = decoder.decode(bytes).split('\n')[0];
    button.addEventListener('click', () => load(new File([bytes], name)));
    element.append(' ', button);
  }
}
