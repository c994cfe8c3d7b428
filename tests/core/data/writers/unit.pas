{ This file was generated. Changes will be lost. }
unit Strings;

interface

const
  // The greeting shown when the program starts, in the language chosen at setup
  //  time
  SGreeting = 'Hello, world! It''s a fine day.'#13#10'Second line:'#9'a tab, and a long tail ' +
    'of words that needs to be wrapped over several lines of the unit.';
  SEmpty = '';
  SRussian = 'Привет';

function Sum(const FirstValue, SecondValue, ThirdValue: Integer; Scale: Double):
   Double;

implementation

end.
